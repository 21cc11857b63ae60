#include "Game/Entities/EnemyEntities.h"

glm::vec2 boss1_outline_center() {
    static const glm::vec2 center = [] {
        glm::vec2 sum{0.0f, 0.0f};
        for (const glm::vec2& p : kBoss1Outline) {
            sum += p;
        }
        return sum / static_cast<float>(kBoss1Outline.size());
    }();
    return center;
}
