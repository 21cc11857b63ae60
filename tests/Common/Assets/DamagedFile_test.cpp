#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <sstream>
#include <string>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "AssetBytes.h"
#include "Common/Assets/AssetLoader.h"
#include "LoadHelpers.h"

using namespace asset_bytes;

namespace {

// Reads bytes with the loader's own reading path; the log goes to a captured stdout.
AssetLoadResult read_bytes(const std::string& bytes) {
    std::istringstream in(bytes, std::ios::binary);
    return read_assets(in, "test.bin");
}

void expect_rejected(const AssetLoadResult& r, const std::string& what) {
    EXPECT_TRUE(r.failed) << what;
    EXPECT_EQ(r.message.rfind("Malformed asset file test.bin: ", 0), 0u) << what << ": " << r.message;
    EXPECT_TRUE(is_empty(r.package)) << what;
}

class DamagedFile : public testing::Test {
protected:
    void SetUp() override { testing::internal::CaptureStdout(); }
    // The loader's lines (and gtest's own failure lines, printed meanwhile) are shown only when a check failed.
    void TearDown() override {
        std::string log = testing::internal::GetCapturedStdout();
        if (HasFailure()) {
            std::fwrite(log.data(), 1, std::min<size_t>(log.size(), 20000), stdout);
        }
    }
};

TEST_F(DamagedFile, SampleLoadsWhole) {
    AssetLoadResult r = read_bytes(file_bytes(sample_file()));
    EXPECT_FALSE(r.failed) << r.message;
    EXPECT_EQ(r.package.sprites.m_assets.size(), 2u);
}

TEST_F(DamagedFile, TruncatedAnywhereFails) {
    const std::string whole = file_bytes(sample_file());
    std::vector<size_t> cuts;
    for (size_t n = 0; n < whole.size(); n += (n < 200 || n + 200 > whole.size()) ? 1 : 7) {
        cuts.push_back(n);
    }
    for (size_t n : cuts) {
        AssetLoadResult r = read_bytes(whole.substr(0, n));
        expect_rejected(r, "cut at " + std::to_string(n));
        // Either a read ran into the end or a count asked for more than was left.
        bool says_why = r.message.find("truncated at byte ") != std::string::npos ||
                        r.message.find(" bytes are left") != std::string::npos;
        EXPECT_TRUE(says_why) << r.message;
    }
}

TEST_F(DamagedFile, MessagesSayWhatAndWhere) {
    const std::string whole = file_bytes(sample_file());
    AssetLoadResult r = read_bytes(whole.substr(0, whole.size() - 1));
    EXPECT_EQ(r.message, fmt::format("Malformed asset file test.bin: truncated at byte {} reading "
                                     "particles[0].spawn.number_to_spawn.max (8 bytes, 7 left)",
                                     whole.size() - 8));
    // The first image needs at least 56 bytes; 32 are left after its count.
    r = read_bytes(whole.substr(0, 40));
    EXPECT_EQ(r.message, "Malformed asset file test.bin: count 1 of images at byte 0 needs at least 56 bytes "
                         "each, only 32 bytes are left");
}

TEST_F(DamagedFile, HugeCountsAreRefusedBeforeAnythingIsAllocated) {
    const ByteWriter sample = file_writer(sample_file());
    ASSERT_GT(sample.count_offsets().size(), 20u);
    const uint64_t values[] = {~0ull, 1ull << 62, 1ull << 40, 0x100000000ull, 1ull << 20};
    for (size_t at : sample.count_offsets()) {
        for (uint64_t value : values) {
            std::string bytes = sample.bytes();
            std::memcpy(bytes.data() + at, &value, 8);
            AssetLoadResult r = read_bytes(bytes);
            std::string what = fmt::format("count at {} set to {}", at, value);
            expect_rejected(r, what);
            EXPECT_NE(r.message.find(fmt::format("count {} of ", value)), std::string::npos) << what << r.message;
            EXPECT_NE(r.message.find(fmt::format(" at byte {} ", at)), std::string::npos) << what << r.message;
        }
    }
}

TEST_F(DamagedFile, ChunkCountIsBoundedByTheChunkSize) {
    // Two chunks' worth of bytes but a count of three: refused at the count, not after reading two.
    TestFile f;
    TestSprite s{"s", 1};
    s.chunks_x = 2;
    s.chunks = {TestChunk{{{0, 1}}, 0}, TestChunk{{{0, 1}}, 1, -1, 32, 0}};
    f.sprites.push_back(s);
    ByteWriter w = file_writer(f);
    std::string bytes = w.bytes();
    size_t chunk_count_at = 24 + 8 + 1 + 16; // three list counts, name length, name, uuid
    uint64_t three = 3;
    std::memcpy(bytes.data() + chunk_count_at, &three, 8);
    AssetLoadResult r = read_bytes(bytes);
    expect_rejected(r, "three chunks");
    EXPECT_NE(r.message.find("count 3 of sprites[0].chunks at byte 49 needs at least 12320 bytes each"),
              std::string::npos)
        << r.message;
}

TEST_F(DamagedFile, RandomBytesNeverCrash) {
    std::mt19937 rng(1234);
    for (int i = 0; i < 300; ++i) {
        std::string bytes(rng() % 2048, '\0');
        for (char& c : bytes) {
            c = static_cast<char>(rng());
        }
        // Small counts now and then, so that the reader gets further in.
        if (bytes.size() >= 8 && i % 3 == 0) {
            uint64_t small = rng() % 4;
            std::memcpy(bytes.data(), &small, 8);
        }
        AssetLoadResult r = read_bytes(bytes);
        if (r.failed) {
            expect_rejected(r, "random file " + std::to_string(i));
        }
    }
}

TEST_F(DamagedFile, FlippedBytesEitherLoadOrFailWithAMessage) {
    const std::string whole = file_bytes(sample_file());
    std::mt19937 rng(99);
    int rejected = 0;
    for (int i = 0; i < 400; ++i) {
        std::string bytes = whole;
        for (int k = 0; k < 4; ++k) {
            bytes[rng() % bytes.size()] ^= static_cast<char>(1 + rng() % 255);
        }
        AssetLoadResult r = read_bytes(bytes);
        if (r.failed) {
            expect_rejected(r, "flip " + std::to_string(i));
            ++rejected;
        }
    }
    // Most flips land in colours and floats, which are taken as they stand; many land in checked fields.
    EXPECT_GT(rejected, 0);
}

TEST(DamagedFileLog, FailureIsLoggedAtErrorLevel) {
    testing::internal::CaptureStdout();
    AssetLoadResult r = read_bytes(std::string(12, '\0'));
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(out, "\x1b[31m[Assets] Malformed asset file test.bin: truncated at byte 8 reading fonts "
                   "(8 bytes, 4 left)\n");
}

} // namespace
