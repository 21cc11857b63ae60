#include "Engine/Physics/JointId.h"

namespace {
uint32_t g_next_joint_id = 0;
} // namespace

uint32_t next_global_id() { return g_next_joint_id++; }
