#pragma once
// Shapes particle definitions while the game runs: loads a particle asset into a working copy, edits its 18
// ranges, previews it every editor frame (at the origin, or under the cursor while the left button is held) and
// prints it as compact JSON on standard output.

#include <cstdint>
#include <ostream>
#include <string_view>

#include "Common/Assets/ParticleSpawnSettings.h"
#include "Engine/Engine/System.h"

class EditorInputScheme;

class ParticleDesignerSystem final : public SystemBase {
public:
    static constexpr std::string_view kName = "ParticleDesignerSystem";

    explicit ParticleDesignerSystem(EditorInputScheme& input) : SystemBase(kName), m_input(&input) {}

    void update(const SimulationTick& tick) override;

    // The asset chosen in the combo box, shared by every designer for the life of the process; -1 for none.
    static int32_t& chosen_particle();

    // Copies the chosen asset's spawn settings into the working copy; nothing when none is chosen.
    void load_chosen();
    // The working copy as one line of compact JSON, nothing before or after it.
    void export_json(std::ostream& out) const;

    ParticleSpawnSettings& settings() { return m_settings; }
    bool& only_spawn_on_click() { return m_only_spawn_on_click; }

private:
    void draw_window();
    void spawn();

    EditorInputScheme* m_input;
    bool m_only_spawn_on_click = false;
    ParticleSpawnSettings m_settings;
};

// Keeps "number_to_spawn" within what one emission can hold.
void clamp_spawn_count(ParticleSpawnSettings& settings);
