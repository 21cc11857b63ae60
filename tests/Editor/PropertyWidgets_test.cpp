// The property widgets drawn headless in a window pinned at the origin: a row of tagged fields shares one line while
// every field gets more than 100 pixels and stacks one field per line otherwise, and every kind of widget edits (or
// only shows) what it is given. Positions are worked out from the rule and the style: a tag's square is one frame
// height wide, neighbouring fields on a line lie 1 pixel apart.

#include "Editor/PropertyWidgets.h"

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

#include <glm/vec2.hpp>
#include <gtest/gtest.h>
#include <imgui.h>
#include <imgui_internal.h>

#include "Engine/Handle.h"
#include "GuiHarness.h"

namespace {

using editor_test::GuiHarness;

// A window whose content is `content_width` wide, pinned at the origin, around `body`.
std::function<void()> in_window(float content_width, std::function<void()> body) {
    return [content_width, body] {
        const ImGuiStyle& style = ImGui::GetStyle();
        ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f), ImGuiCond_Always);
        ImGui::SetNextWindowSize(ImVec2(content_width + 2.0f * style.WindowPadding.x, 400.0f), ImGuiCond_Always);
        ImGui::Begin("Widgets", nullptr, ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoScrollbar);
        body();
        ImGui::End();
    };
}

struct RowCase {
    size_t fields;
    float content_width;
    bool one_line;
};

void PrintTo(const RowCase& c, std::ostream* out) { *out << c.fields << " fields in " << c.content_width << " px"; }

class PropertyValueRow : public testing::TestWithParam<RowCase> {};

TEST_P(PropertyValueRow, SharesALineOnlyWhenEveryFieldGetsMoreThan100Pixels) {
    const RowCase& c = GetParam();
    GuiHarness gui;
    float values[4] = {};
    const FieldDescriptor all[4] = {{kTagX, &values[0]}, {kTagY, &values[1]}, {kTagZ, &values[2]}, {kTagW, &values[3]}};
    ImVec2 start;
    ImVec2 last;
    float available = 0.0f;
    gui.frame(in_window(c.content_width, [&] {
        start = ImGui::GetCursorScreenPos();
        available = ImGui::GetContentRegionAvail().x;
        property_value_row(all, c.fields);
        last = ImGui::GetItemRectMin(); // the last field's drag box, right of its square
    }));
    ASSERT_FLOAT_EQ(available, c.content_width);
    const ImGuiStyle& style = ImGui::GetStyle();
    const float square = ImGui::GetFrameHeight();
    const auto n = static_cast<float>(c.fields);
    if (c.one_line) {
        const float w = c.content_width / n;
        EXPECT_NEAR(last.x, start.x + (n - 1.0f) * (w + 1.0f) + square, 0.5f);
        EXPECT_NEAR(last.y, start.y, 0.5f);
    } else {
        EXPECT_NEAR(last.x, start.x + square, 0.5f);
        EXPECT_NEAR(last.y, start.y + (n - 1.0f) * (square + style.ItemSpacing.y), 0.5f);
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, PropertyValueRow,
                         testing::Values(RowCase{2, 202.0f, true}, RowCase{2, 200.0f, false}, RowCase{3, 330.0f, true},
                                         RowCase{3, 300.0f, false}, RowCase{4, 404.0f, true},
                                         RowCase{1, 90.0f, false}));

// Under its label in a property table: in a narrow panel the fields stack in the value column, in a wide one they
// share the label's line. (The table sizes its name column from the frame before, so the second frame counts.)
TEST(PropertyWidgets, FieldsStackUnderTheirLabelInANarrowPanel) {
    for (const float width : {220.0f, 600.0f}) {
        SCOPED_TRACE(width);
        GuiHarness gui;
        glm::vec2 v(0.0f);
        ImVec2 table_start;
        ImVec2 last;
        ImVec2 cell;
        float available = 0.0f;
        const auto draw = in_window(width, [&] {
            if (begin_property_table()) {
                table_start = ImGui::GetCursorScreenPos();
                property_floats("Position", {{kTagX, &v.x}, {kTagY, &v.y}});
                last = ImGui::GetItemRectMin();
                // Back at the start of the value column, one line further down.
                cell = ImGui::GetCursorScreenPos();
                available = ImGui::GetContentRegionAvail().x;
                end_property_table();
            }
        });
        gui.frame(draw);
        gui.frame(draw);
        const float square = ImGui::GetFrameHeight();
        const ImGuiStyle& style = ImGui::GetStyle();
        const float row_top = table_start.y + style.CellPadding.y;
        EXPECT_GT(cell.x, table_start.x + ImGui::CalcTextSize("Position").x) << "the fields stand right of the label";
        if (available / 2.0f > 100.0f) {
            EXPECT_NEAR(last.x, cell.x + available / 2.0f + 1.0f + square, 1.0f);
            EXPECT_NEAR(last.y, row_top, 0.5f);
        } else {
            EXPECT_NEAR(last.x, cell.x + square, 0.5f) << "the second field stands under the first";
            EXPECT_NEAR(last.y, row_top + square + style.ItemSpacing.y, 0.5f);
        }
        EXPECT_EQ(width > 400.0f, available / 2.0f > 100.0f) << "both layouts are seen";
    }
}

// Every widget kind through the GUI: a drag on a field moves its value by 0.05 a pixel, a press on a checkbox
// flips it, and the read-only rows print their values.
TEST(PropertyWidgets, EachWidgetKindEditsOrShowsItsValue) {
    GuiHarness gui;
    glm::vec2 position(1.0f, 2.0f);
    float scalar = 3.0f;
    float alone = 4.0f;
    bool flag = false;
    uint8_t byte_flag = 0;
    ImRect tagged;
    ImRect untagged;
    ImRect single;
    ImGuiID flag_id = 0;
    ImGuiID byte_id = 0;
    bool changed = false;
    float cell_x = 0.0f;
    float cell_width = 0.0f;
    const auto draw = in_window(600.0f, [&] {
        if (begin_property_table()) {
            changed |= property_floats("Position", {{kTagX, &position.x}, {kTagY, &position.y}});
            tagged = ImRect(ImGui::GetItemRectMin(), ImGui::GetItemRectMax()); // the y field
            changed |= property_floats("Scalar", {{kTagNone, &scalar}});
            untagged = ImRect(ImGui::GetItemRectMin(), ImGui::GetItemRectMax());
            cell_x = ImGui::GetCursorScreenPos().x;
            cell_width = ImGui::GetContentRegionAvail().x;
            property_checkbox("Flag", flag);
            flag_id = ImGui::GetItemID();
            property_checkbox("Byte flag", byte_flag);
            byte_id = ImGui::GetItemID();
            property_int("Count", 42);
            property_entity_id("Owner", EntityId{3, 7, 12});
            end_property_table();
        }
        changed |= tagged_drag_float(150.0f, kTagA, alone);
        single = ImRect(ImGui::GetItemRectMin(), ImGui::GetItemRectMax());
    });
    gui.frame(draw);
    gui.frame(draw);
    const std::string shown = gui.frame_texts(draw);
    EXPECT_NE(shown.find("42"), std::string::npos);
    EXPECT_NE(shown.find("3/7 12"), std::string::npos);

    const float square = ImGui::GetFrameHeight();
    EXPECT_NEAR(untagged.Min.x, cell_x, 0.5f) << "an untagged field has no square";
    EXPECT_NEAR(untagged.GetWidth(), cell_width, 1.0f) << "and takes the whole width";
    EXPECT_NEAR(tagged.Min.x, cell_x + cell_width / 2.0f + 1.0f + square, 1.0f) << "the y field, right of its square";

    gui.drag(tagged.GetCenter(), 20.0f, draw);
    EXPECT_EQ(position, glm::vec2(1.0f, 3.0f)) << "20 pixels at 0.05";
    EXPECT_TRUE(changed);
    gui.drag(untagged.GetCenter(), -40.0f, draw);
    EXPECT_EQ(scalar, 1.0f);
    gui.drag(single.GetCenter(), 10.0f, draw);
    EXPECT_EQ(alone, 4.5f);

    ImGui::ActivateItem(flag_id);
    gui.frame(draw);
    EXPECT_TRUE(flag);
    ImGui::ActivateItem(byte_id);
    gui.frame(draw);
    EXPECT_EQ(byte_flag, 1);
    EXPECT_FALSE(flag == false) << "the other checkbox stays";
}

} // namespace
