#include "Engine/Physics/CollisionContacts.h"

#include "Engine/Math/Vector.h"
#include "Engine/Physics/PhysicsBody.h"

std::vector<Contact> make_contacts(const std::vector<SpritePhysicsProxy>& proxies, const std::vector<Impact>& impacts,
                                   float dt, DebugLines* debug) {
    std::vector<Contact> contacts;
    for (const Impact& impact : impacts) {
        const SpritePhysicsProxy& a = proxies[static_cast<size_t>(impact.a)];
        const SpritePhysicsProxy& b = proxies[static_cast<size_t>(impact.b)];
        const ProxySines sa = sines_of(a);
        const ProxySines sb = sines_of(b);
        for (int32_t k = 0; k < impact.count; ++k) {
            contacts.push_back(make_contact(a, sa, b, sb, impact.hits[static_cast<size_t>(k)], impact.time, dt));
            draw_contact(debug, contacts.back());
        }
    }
    return contacts;
}

void advance_first_pair(const std::vector<SpritePhysicsProxy>& proxies, int32_t a, int32_t b, float time,
                        glm::vec2 point, DebugLines* debug) {
    if (debug != nullptr) {
        debug_circle(*debug, point, 0.0171875f, DebugName::Physics_Contact_Point);
    }
    for (const int32_t index : {a, b}) {
        const SpritePhysicsProxy& proxy = proxies[static_cast<size_t>(index)];
        PhysicsBody& body = *proxy.body;
        const PositionAngle moved = integrate_position_angle(proxy.world_center_of_mass, body.position, body.angle,
                                                             body.linear_velocity, body.angular_velocity, time);
        body.position = moved.position;
        body.angle = moved.angle;
        // The pose the collision reads moves with the body: the contacts' levers are taken where the two bodies
        // met, from the same place for both.
        proxy.transform->position = moved.position;
        proxy.transform->angle = moved.angle;
    }
}
