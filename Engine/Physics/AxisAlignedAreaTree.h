#pragma once
// Bounding-area tree built by insertion only and queried by area or by ray. It is cleared and refilled
// whenever it is used, so it has no removal and no rebalancing. Queries report leaf values: for an i32
// payload the payload itself, otherwise its position in the payload vector (see payload()).
// Reading from several threads at once is safe.

#include <cstdint>
#include <stdexcept>
#include <type_traits>
#include <vector>

#include <glm/vec2.hpp>

#include "Engine/Math/AxisAlignedArea.h"

struct AreaTreeNode {
    AxisAlignedArea bounds;
    int32_t value = -1; // leaf: the payload (or its position in the payload vector); internal: -1
    int32_t left = -1;  // -1 for a leaf
    int32_t right = -1;
    int32_t parent = -1;

    bool is_leaf() const { return left == -1; }
};

template <typename T>
class AxisAlignedAreaTree {
    // An i32 payload is stored in the leaf itself; any other payload lives in a side vector.
    static constexpr bool kInline = std::is_same_v<T, int32_t>;

public:
    void clear() {
        m_nodes.clear();
        m_payloads.clear();
        m_root = -1;
    }

    // Returns the root after the insertion.
    int32_t insert(const AxisAlignedArea& bounds, const T& payload) {
        int32_t value;
        if constexpr (kInline) {
            value = payload;
        } else {
            value = static_cast<int32_t>(m_payloads.size());
            m_payloads.push_back(payload);
        }
        const auto leaf = static_cast<int32_t>(m_nodes.size());
        m_nodes.push_back(AreaTreeNode{bounds, value, -1, -1, -1});
        if (m_root == -1) {
            m_root = leaf;
            return m_root;
        }

        // Walk down towards the child that grows less (ties go right), then pair the leaf found there
        // with the new one. Done in a loop: an unbalanced tree can be as deep as it has leaves.
        int32_t i = m_root;
        while (!m_nodes[static_cast<size_t>(i)].is_leaf()) {
            const AreaTreeNode& n = m_nodes[static_cast<size_t>(i)];
            const AxisAlignedArea& lb = m_nodes[static_cast<size_t>(n.left)].bounds;
            const AxisAlignedArea& rb = m_nodes[static_cast<size_t>(n.right)].bounds;
            const float growth_left =
                AxisAlignedArea::area(AxisAlignedArea::merged(lb, bounds)) - AxisAlignedArea::area(lb);
            const float growth_right =
                AxisAlignedArea::area(AxisAlignedArea::merged(rb, bounds)) - AxisAlignedArea::area(rb);
            i = growth_right > growth_left ? n.left : n.right;
        }

        const int32_t sibling = i;
        const int32_t old_parent = m_nodes[static_cast<size_t>(sibling)].parent;
        const auto joint = static_cast<int32_t>(m_nodes.size());
        m_nodes.push_back(AreaTreeNode{AxisAlignedArea::merged(m_nodes[static_cast<size_t>(sibling)].bounds, bounds),
                                       -1, sibling, leaf, old_parent});
        m_nodes[static_cast<size_t>(sibling)].parent = joint;
        m_nodes[static_cast<size_t>(leaf)].parent = joint;
        if (old_parent == -1) {
            m_root = joint;
        } else {
            AreaTreeNode& p = m_nodes[static_cast<size_t>(old_parent)];
            (p.left == sibling ? p.left : p.right) = joint;
        }
        // Refit the bounds on the way back up.
        for (int32_t up = old_parent; up != -1; up = m_nodes[static_cast<size_t>(up)].parent) {
            AreaTreeNode& n = m_nodes[static_cast<size_t>(up)];
            n.bounds = AxisAlignedArea::merged(m_nodes[static_cast<size_t>(n.left)].bounds,
                                               m_nodes[static_cast<size_t>(n.right)].bounds);
        }
        return m_root;
    }

    // The leaf with the value (first in node order); throws std::out_of_range when there is none.
    const AreaTreeNode& find(int32_t value) const {
        for (const AreaTreeNode& n : m_nodes) {
            if (n.is_leaf() && n.value == value) {
                return n;
            }
        }
        throw std::out_of_range("AxisAlignedAreaTree::find: value not in the tree");
    }

    // The payload behind a leaf value.
    T payload(int32_t value) const {
        if constexpr (kInline) {
            return value;
        } else {
            return m_payloads.at(static_cast<size_t>(value));
        }
    }

    // Values of the leaves whose bounds strictly overlap the area, depth first, left first.
    void query(const AxisAlignedArea& area, std::vector<int32_t>& out) const {
        walk([&](const AxisAlignedArea& b) { return AxisAlignedArea::intersects(b, area); }, out);
    }

    // Values of the leaves that the ray meets within max_t (t in multiples of direction).
    void query_ray(glm::vec2 origin, glm::vec2 direction, float max_t, std::vector<int32_t>& out) const {
        walk([&](const AxisAlignedArea& b) { return AxisAlignedArea::ray_hit(b, origin, direction, max_t); }, out);
    }

    const std::vector<AreaTreeNode>& nodes() const { return m_nodes; }
    int32_t root() const { return m_root; }
    bool empty() const { return m_root == -1; }

private:
    // Iterative, since an unbalanced tree can be as deep as it has leaves. Right is pushed before left so
    // that left subtrees come out first.
    template <typename Test>
    void walk(const Test& test, std::vector<int32_t>& out) const {
        if (m_root == -1) {
            return;
        }
        thread_local std::vector<int32_t> stack;
        stack.clear();
        stack.push_back(m_root);
        while (!stack.empty()) {
            const AreaTreeNode& n = m_nodes[static_cast<size_t>(stack.back())];
            stack.pop_back();
            if (!test(n.bounds)) {
                continue;
            }
            if (n.is_leaf()) {
                out.push_back(n.value);
            } else {
                stack.push_back(n.right);
                stack.push_back(n.left);
            }
        }
    }

    std::vector<AreaTreeNode> m_nodes;
    std::vector<T> m_payloads;
    int32_t m_root = -1;
};
