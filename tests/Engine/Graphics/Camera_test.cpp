#include <gtest/gtest.h>

#include "Engine/Graphics/Camera.h"

namespace {

void expect_area(const AxisAlignedArea& a, glm::vec2 min, glm::vec2 max) {
    EXPECT_NEAR(a.min.x, min.x, 1e-5f);
    EXPECT_NEAR(a.min.y, min.y, 1e-5f);
    EXPECT_NEAR(a.max.x, max.x, 1e-5f);
    EXPECT_NEAR(a.max.y, max.y, 1e-5f);
}

TEST(Camera, DefaultsAreTheUnitOrthographicView) {
    Camera c;
    EXPECT_EQ(c.projection[0][0], 1.0f);
    EXPECT_EQ(c.projection[1][1], 1.0f);
    EXPECT_EQ(c.projection[2][2], -1.0f);
    EXPECT_EQ(c.projection[3][3], 1.0f);
    EXPECT_EQ(c.size, 1.0f);
    EXPECT_EQ(c.aspect, 1.0f);
    EXPECT_EQ(c.depth, 1.0f);
    expect_area(c.visible_area, {-1, -1}, {1, 1});
}

struct AreaCase {
    float size, aspect, depth;
    glm::vec3 position;
    glm::vec2 min, max;
};

TEST(Camera, VisibleAreaTable) {
    const AreaCase cases[] = {
        {1, 16.0f / 9.0f, 1, {0, 0, 0}, {-16.0f / 9.0f, -1}, {16.0f / 9.0f, 1}}, // the renderer's UI camera
        {5, 2, 1, {0, 0, 0}, {-10, -5}, {10, 5}},
        {5, 2, 1, {3, -4, 0}, {-7, -9}, {13, 1}},                // moved by (3, -4)
        {0.5f, 1, 10, {1, 1, 0.5f}, {0.5f, 0.5f}, {1.5f, 1.5f}}, // z and depth do not change it
    };
    for (const AreaCase& c : cases) {
        Camera camera;
        camera.position = c.position;
        camera.set_ortho(c.size, c.aspect, c.depth);
        expect_area(camera.visible_area, c.min, c.max);
    }
}

TEST(Camera, MovingThePositionMovesTheAreaAfterAnUpdate) {
    Camera camera;
    camera.set_ortho(5, 16.0f / 9.0f, 1);
    AxisAlignedArea before = camera.visible_area;
    camera.position += glm::vec3(2.5f, -1.25f, 0);
    expect_area(camera.visible_area, before.min, before.max); // not yet updated
    camera.update_matrices();
    expect_area(camera.visible_area, before.min + glm::vec2(2.5f, -1.25f), before.max + glm::vec2(2.5f, -1.25f));
}

TEST(Camera, MatricesMapWorldToClipAndBack) {
    Camera camera;
    camera.position = glm::vec3(3, 4, 0.25f);
    camera.set_ortho(2, 1.5f, 4);
    // The world point at the right edge and at the top of the view.
    glm::vec4 clip = camera.view_projection * glm::vec4(3 + 3, 4 + 2, 0, 1);
    EXPECT_NEAR(clip.x, 1.0f, 1e-6f);
    EXPECT_NEAR(clip.y, 1.0f, 1e-6f);
    // z: view translation by -0.25 then the scale -1/4.
    EXPECT_NEAR(clip.z, 0.0625f, 1e-6f);
    EXPECT_FLOAT_EQ(camera.view[3][2], -0.25f);
    EXPECT_NEAR(camera.projection[0][0], 1.0f / 3.0f, 1e-7f);
    EXPECT_NEAR(camera.projection[2][2], -0.25f, 1e-7f);
    glm::mat4 id = camera.inverse_view_projection * camera.view_projection;
    glm::mat4 id2 = camera.inverse_projection * camera.projection;
    glm::mat4 id3 = camera.inverse_view * camera.view;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float e = i == j ? 1.0f : 0.0f;
            EXPECT_NEAR(id[i][j], e, 1e-5f);
            EXPECT_NEAR(id2[i][j], e, 1e-5f);
            EXPECT_NEAR(id3[i][j], e, 1e-5f);
        }
    }
    // A mouse position in clip space becomes a world position.
    glm::vec4 world = camera.inverse_view_projection * glm::vec4(-0.5f, 0.5f, 0, 1);
    EXPECT_NEAR(world.x, 3 - 1.5f, 1e-5f);
    EXPECT_NEAR(world.y, 4 + 1.0f, 1e-5f);
}

} // namespace
