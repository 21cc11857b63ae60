#pragma once
// A Dear ImGui context without a back end: frames are built and ended by hand, items are pressed with
// ImGui::ActivateItem (effective on the next frame), and the texts a frame draws are captured.

#include <functional>
#include <string>

#include <imgui.h>
#include <imgui_internal.h>

struct HeadlessGui {
    explicit HeadlessGui(ImVec2 display = ImVec2(1280.0f, 720.0f)) : context(ImGui::CreateContext()) {
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.DisplaySize = display;
        io.DeltaTime = 1.0f / 60.0f;
        unsigned char* pixels = nullptr;
        int width = 0;
        int height = 0;
        io.Fonts->GetTexDataAsRGBA32(&pixels, &width, &height);
        // Captured texts arrive as clipboard text when the window that drew them ends.
        io.ClipboardUserData = &captured;
        io.SetClipboardTextFn = [](void* user, const char* text) { static_cast<std::string*>(user)->append(text); };
    }
    ~HeadlessGui() { ImGui::DestroyContext(context); }
    HeadlessGui(const HeadlessGui&) = delete;
    HeadlessGui& operator=(const HeadlessGui&) = delete;

    // One frame around `draw`; returns the texts of the first window it draws.
    std::string frame(const std::function<void()>& draw) {
        captured.clear();
        ImGui::NewFrame();
        ImGui::LogToClipboard();
        draw();
        ImGui::LogFinish();
        ImGui::Render();
        return captured;
    }

    // Presses the item `label` of `window` as a click would: queued after one frame, taken in the next.
    bool press(const char* window, const char* label, const std::function<void()>& draw) {
        frame(draw);
        ImGuiWindow* w = ImGui::FindWindowByName(window);
        if (w == nullptr) {
            return false;
        }
        ImGui::ActivateItem(w->GetID(label));
        frame(draw);
        return true;
    }

    ImGuiContext* context;
    std::string captured;
};
