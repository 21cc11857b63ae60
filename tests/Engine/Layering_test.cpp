// The engine and the asset code stand below the game and its editor tools: nothing under Engine/ or
// Common/ may include a header from Game/ or Editor/.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// `#include "Game/..."` or `<Editor/...>`, blanks allowed around the '#'. (A hand scan rather than
// std::regex: GCC 12 reports false uninitialised uses inside std::regex at the sanitizer presets' -O1.)
bool is_upward_include(const std::string& line) {
    size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line[i] != '#') {
        return false;
    }
    i = line.find_first_not_of(" \t", i + 1);
    if (i == std::string::npos || line.compare(i, 7, "include") != 0) {
        return false;
    }
    i = line.find_first_not_of(" \t", i + 7);
    if (i == std::string::npos || (line[i] != '"' && line[i] != '<')) {
        return false;
    }
    return line.compare(i + 1, 5, "Game/") == 0 || line.compare(i + 1, 7, "Editor/") == 0;
}

// Every include line of a source or header under `folder` that reaches into Game/ or Editor/, as
// "path:line: text".
std::vector<std::string> upward_includes(const fs::path& root, const fs::path& folder) {
    std::vector<std::string> found;
    if (!fs::is_directory(root / folder)) {
        return found;
    }
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root / folder)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp" && ext != ".hpp" && ext != ".inl")) {
            continue;
        }
        std::ifstream in(entry.path());
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            if (is_upward_include(line)) {
                found.push_back(fs::relative(entry.path(), root).string() + ":" + std::to_string(number) + ": " + line);
            }
        }
    }
    return found;
}

} // namespace

TEST(Layering, EngineAndCommonIncludeNothingFromGameOrEditor) {
    const fs::path root = PELLMAR_SOURCE_ROOT;
    ASSERT_TRUE(fs::is_directory(root / "Engine")) << root;
    for (const char* folder : {"Engine", "Common"}) {
        const std::vector<std::string> found = upward_includes(root, folder);
        std::string listing;
        for (const std::string& line : found) {
            listing += line + "\n";
        }
        EXPECT_TRUE(found.empty()) << folder << "/ includes the layers above it:\n" << listing;
    }
}

// The scan itself must catch the spellings a real include can take, and only those.
TEST(Layering, ScanFindsUpwardIncludesInAnySpelling) {
    const fs::path root = fs::path(PELLMAR_BUILD_DIR) / "layering_scan";
    fs::remove_all(root);
    fs::create_directories(root / "Engine" / "Deep");
    struct Case {
        const char* line;
        bool upward;
    };
    const Case cases[] = {
        {"#include \"Game/Entities/RockEntity.h\"", true},
        {"#include <Editor/Inspector.h>", true},
        {"  #  include \"Game/Scenes/GameScene.h\"", true},
        {"#include \"Engine/Engine/Systems/Sprite/RockEntity.h\"", false},
        {"#include \"Engine/GameClock.h\"", false},
        {"// #include \"Game/Scenes/GameScene.h\" was here", false},
    };
    for (const Case& c : cases) {
        std::ofstream(root / "Engine" / "Deep" / "probe.h") << "#pragma once\n" << c.line << "\n";
        const std::vector<std::string> found = upward_includes(root, "Engine");
        EXPECT_EQ(found.size(), c.upward ? 1u : 0u) << c.line;
        if (c.upward && !found.empty()) {
            EXPECT_EQ(found[0].rfind("Engine/Deep/probe.h:2: ", 0), 0u) << found[0];
        }
    }
    fs::remove_all(root);
}
