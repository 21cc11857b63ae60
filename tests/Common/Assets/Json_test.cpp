#include <string>

#include <gtest/gtest.h>

#include "Common/Assets/JsonWrite.h"

namespace {

TEST(JsonOutput, DefaultSpawnSettingsPrintTheExactLine) {
    const std::string v2 = "{\"single\":1,\"min_or_value\":[0,0],\"max\":[0,0]}";
    const std::string f = "{\"single\":1,\"min_or_value\":0,\"max\":0}";
    const std::string v4 = "{\"single\":1,\"min_or_value\":[0,0,0,0],\"max\":[0,0,0,0]}";
    const std::string one = "{\"single\":1,\"min_or_value\":1,\"max\":0}";
    const std::string expected =
        "{\"position\":" + v2 + ",\"z\":" + f + ",\"angle\":" + f + ",\"angle_xy\":" + v2 + ",\"velocity\":" + v2 +
        ",\"velocity_z\":" + f + ",\"damping\":" + f + ",\"angular_velocity\":" + f + ",\"angular_velocity_xy\":" + v2 +
        ",\"angular_damping\":" + f + ",\"life\":" + f + ",\"initial_scale\":" + v2 + ",\"final_scale\":" + v2 +
        ",\"factor_scale\":" + one + ",\"initial_color\":" + v4 + ",\"final_color\":" + v4 +
        ",\"factor_color\":" + one + ",\"number_to_spawn\":" + one + "}";
    EXPECT_EQ(to_json(ParticleSpawnSettings{}), expected);
    // The beginning and the end exactly as the export's documentation shows them.
    const std::string begin =
        "{\"position\":{\"single\":1,\"min_or_value\":[0,0],\"max\":[0,0]},\"z\":{\"single\":1,\"min_or_value\":0,"
        "\"max\":0},\"angle\":{\"single\":1,\"min_or_value\":0,\"max\":0},\"angle_xy\":{\"single\":1,"
        "\"min_or_value\":[0,0],\"max\":[0,0]},";
    const std::string end = "\"factor_color\":{\"single\":1,\"min_or_value\":1,\"max\":0},\"number_to_spawn\":{"
                            "\"single\":1,\"min_or_value\":1,\"max\":0}}";
    std::string json = to_json(ParticleSpawnSettings{});
    EXPECT_EQ(json.substr(0, begin.size()), begin);
    ASSERT_GE(json.size(), end.size());
    EXPECT_EQ(json.substr(json.size() - end.size()), end);
}

TEST(JsonOutput, FloatsPrintAsTheStreamDoesAndNegativeCountsKeepTheirSign) {
    ParticleSpawnSettings s;
    s.life = {false, 0.25f, 1000000.0f};
    s.damping = {true, 1e-7f, 1.0f};
    s.number_to_spawn = {true, -3, 2};
    std::string json = to_json(s);
    EXPECT_NE(json.find("\"damping\":{\"single\":1,\"min_or_value\":1e-07,\"max\":1}"), std::string::npos) << json;
    EXPECT_NE(json.find("\"life\":{\"single\":0,\"min_or_value\":0.25,\"max\":1e+06}"), std::string::npos) << json;
    EXPECT_NE(json.find("\"number_to_spawn\":{\"single\":1,\"min_or_value\":-3,\"max\":2}}"), std::string::npos)
        << json;
}

TEST(JsonOutput, StringsVectorsAndUuidsOfAnAsset) {
    MultiSpriteAsset multi;
    multi.metadata.name = "sn\"a\\ke"; // printed as it stands
    multi.data.sprites.push_back({"head", {{7, {1.5f, -2.0f}}}});
    multi.data.instances.push_back({0, {0.0f, 0.0f}, 0.5f, 0xFFFFFFFFu});
    EXPECT_EQ(to_json(multi), "{\"metadata\":{\"name\":\"sn\"a\\ke\"},"
                              "\"data\":{\"sprites\":[{\"sprite\":\"head\",\"attachment_points\":"
                              "[{\"cell_type\":7,\"r\":[1.5,-2]}]}],"
                              "\"instances\":[{\"sprite\":0,\"position\":[0,0],\"angle\":0.5,\"type\":-1}],"
                              "\"joints\":[]}}");
}

TEST(JsonOutput, ImagePixelsAndSizesAreLeftOut) {
    ImageAsset image;
    image.metadata.name = "i";
    image.width = 1;
    image.height = 1;
    image.channels = 4;
    image.pixels = {1, 2, 3, 4};
    EXPECT_EQ(to_json(image), "{\"metadata\":{\"name\":\"i\"},\"width\":1,\"height\":1,\"channels\":4}");
}

} // namespace
