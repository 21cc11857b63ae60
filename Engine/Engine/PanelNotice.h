#pragma once
// The failure of the last action in an editor panel, shown in that panel in one line of text until the next
// action there.

#include <string>
#include <string_view>

class PanelNotice {
public:
    void show(std::string_view text) {
        m_text = text;
        m_fresh = true;
    }
    void clear() { m_text.clear(); }
    const std::string& text() const { return m_text; }

    // Inside the panel's window, after its items: an item of the window pressed, dragged or typed into this
    // frame is the next action and takes the line away, unless that action is the one that failed.
    void draw();

private:
    std::string m_text;
    // Shown since the panel was last drawn: an action of this frame is the one that caused it.
    bool m_fresh = false;
};
