// The engine and the asset code stand below the game and its editor tools: nothing under Engine/ or
// Common/ may include a header from Game/ or Editor/. Inside them the modules (Common/, the files directly in
// Engine/, and each folder of Engine/) include each other without a cycle, so each one can be read, built and
// tested with only those below it.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// `#include "Game/..."` or `<Editor/...>`, blanks allowed around the '#'. (A hand scan rather than
// std::regex: GCC 12 reports false uninitialised uses inside std::regex at the sanitizer presets' -O1.)
bool is_upward_include(const std::string& line) {
    size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line[i] != '#') {
        return false;
    }
    i = line.find_first_not_of(" \t", i + 1);
    if (i == std::string::npos || line.compare(i, 7, "include") != 0) {
        return false;
    }
    i = line.find_first_not_of(" \t", i + 7);
    if (i == std::string::npos || (line[i] != '"' && line[i] != '<')) {
        return false;
    }
    return line.compare(i + 1, 5, "Game/") == 0 || line.compare(i + 1, 7, "Editor/") == 0;
}

// Every include line of a source or header under `folder` that reaches into Game/ or Editor/, as
// "path:line: text".
std::vector<std::string> upward_includes(const fs::path& root, const fs::path& folder) {
    std::vector<std::string> found;
    if (!fs::is_directory(root / folder)) {
        return found;
    }
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root / folder)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp" && ext != ".hpp" && ext != ".inl")) {
            continue;
        }
        std::ifstream in(entry.path());
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            if (is_upward_include(line)) {
                found.push_back(fs::relative(entry.path(), root).string() + ":" + std::to_string(number) + ": " + line);
            }
        }
    }
    return found;
}

// The path an include line names ("Engine/Log.h" for `#include "Engine/Log.h"` or `<Engine/Log.h>`), or empty.
std::string included_path(const std::string& line) {
    size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line[i] != '#') {
        return "";
    }
    i = line.find_first_not_of(" \t", i + 1);
    if (i == std::string::npos || line.compare(i, 7, "include") != 0) {
        return "";
    }
    i = line.find_first_not_of(" \t", i + 7);
    if (i == std::string::npos || (line[i] != '"' && line[i] != '<')) {
        return "";
    }
    const size_t end = line.find(line[i] == '"' ? '"' : '>', i + 1);
    return end == std::string::npos ? "" : line.substr(i + 1, end - i - 1);
}

// "Common" for Common/, "Engine" for the files directly in Engine/, "Engine/<folder>" below it; empty elsewhere.
std::string module_of(const std::string& path) {
    if (path.rfind("Common/", 0) == 0) {
        return "Common";
    }
    if (path.rfind("Engine/", 0) != 0) {
        return "";
    }
    const size_t slash = path.find('/', 7);
    return slash == std::string::npos ? "Engine" : path.substr(0, slash);
}

// For every module, the other modules it includes, each with the first include line (in path order) that does.
using ModuleGraph = std::map<std::string, std::map<std::string, std::string>>;

ModuleGraph module_includes(const fs::path& root) {
    std::set<fs::path> files;
    for (const char* folder : {"Engine", "Common"}) {
        if (!fs::is_directory(root / folder)) {
            continue;
        }
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root / folder)) {
            const std::string ext = entry.path().extension().string();
            if (entry.is_regular_file() && (ext == ".h" || ext == ".cpp" || ext == ".hpp" || ext == ".inl")) {
                files.insert(fs::relative(entry.path(), root));
            }
        }
    }
    ModuleGraph graph;
    for (const fs::path& file : files) {
        const std::string from = module_of(file.generic_string());
        std::ifstream in(root / file);
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            const std::string to = module_of(included_path(line));
            if (!to.empty() && to != from && !graph[from].contains(to)) {
                graph[from][to] = file.generic_string() + ":" + std::to_string(number) + ": " + line;
            }
        }
    }
    return graph;
}

// One cycle of the graph as the include lines that close it, or empty when the modules form none.
std::vector<std::string> find_cycle(const ModuleGraph& graph) {
    std::map<std::string, int> state; // 0 unseen, 1 on the current path, 2 done
    std::vector<std::string> path;
    std::vector<std::string> cycle;
    const auto visit = [&](const auto& self, const std::string& module) -> bool {
        state[module] = 1;
        path.push_back(module);
        const auto edges = graph.find(module);
        if (edges != graph.end()) {
            for (const auto& [to, where] : edges->second) {
                if (state[to] == 1) {
                    // The path from `to` back round to it.
                    auto at = std::find(path.begin(), path.end(), to);
                    for (; at + 1 != path.end(); ++at) {
                        cycle.push_back(graph.at(*at).at(*(at + 1)));
                    }
                    cycle.push_back(where);
                    return true;
                }
                if (state[to] == 0 && self(self, to)) {
                    return true;
                }
            }
        }
        path.pop_back();
        state[module] = 2;
        return false;
    };
    for (const auto& entry : graph) {
        if (state[entry.first] == 0 && visit(visit, entry.first)) {
            break;
        }
    }
    return cycle;
}

} // namespace

TEST(Layering, EngineAndCommonIncludeNothingFromGameOrEditor) {
    const fs::path root = PELLMAR_SOURCE_ROOT;
    ASSERT_TRUE(fs::is_directory(root / "Engine")) << root;
    for (const char* folder : {"Engine", "Common"}) {
        const std::vector<std::string> found = upward_includes(root, folder);
        std::string listing;
        for (const std::string& line : found) {
            listing += line + "\n";
        }
        EXPECT_TRUE(found.empty()) << folder << "/ includes the layers above it:\n" << listing;
    }
}

// The scan itself must catch the spellings a real include can take, and only those.
TEST(Layering, ScanFindsUpwardIncludesInAnySpelling) {
    const fs::path root = fs::path(PELLMAR_BUILD_DIR) / "layering_scan";
    fs::remove_all(root);
    fs::create_directories(root / "Engine" / "Deep");
    struct Case {
        const char* line;
        bool upward;
    };
    const Case cases[] = {
        {"#include \"Game/Entities/RockEntity.h\"", true},
        {"#include <Editor/Inspector.h>", true},
        {"  #  include \"Game/Scenes/GameScene.h\"", true},
        {"#include \"Engine/Engine/Systems/Sprite/RockEntity.h\"", false},
        {"#include \"Engine/GameClock.h\"", false},
        {"// #include \"Game/Scenes/GameScene.h\" was here", false},
    };
    for (const Case& c : cases) {
        std::ofstream(root / "Engine" / "Deep" / "probe.h") << "#pragma once\n" << c.line << "\n";
        const std::vector<std::string> found = upward_includes(root, "Engine");
        EXPECT_EQ(found.size(), c.upward ? 1u : 0u) << c.line;
        if (c.upward && !found.empty()) {
            EXPECT_EQ(found[0].rfind("Engine/Deep/probe.h:2: ", 0), 0u) << found[0];
        }
    }
    fs::remove_all(root);
}

TEST(Layering, EngineModulesIncludeEachOtherWithoutCycles) {
    const fs::path root = PELLMAR_SOURCE_ROOT;
    const ModuleGraph graph = module_includes(root);
    ASSERT_TRUE(graph.contains("Engine/Engine")) << root;
    const std::vector<std::string> cycle = find_cycle(graph);
    std::string listing;
    for (const std::string& line : cycle) {
        listing += line + "\n";
    }
    EXPECT_TRUE(cycle.empty()) << "modules include each other in a circle:\n" << listing;
}

// The cycle scan on small trees: a cycle of two or three modules is found whatever the spelling of the include,
// includes inside one module or along a chain are not cycles.
TEST(Layering, ScanFindsIncludeCyclesBetweenModules) {
    const fs::path root = fs::path(PELLMAR_BUILD_DIR) / "layering_cycles";
    struct File {
        const char* path;
        const char* include;
    };
    struct Case {
        const char* name;
        std::vector<File> files;
        size_t cycle_length;
    };
    const std::vector<Case> cases = {
        {"two modules",
         {{"Engine/A/a.h", "#include \"Engine/B/b.h\""}, {"Engine/B/b.cpp", "#include <Engine/A/a.h>"}},
         2},
        {"three modules through the root files and Common",
         {{"Engine/A/a.h", "#include \"Engine/Log.h\""},
          {"Engine/Log.h", "  #  include \"Common/Assets/X.h\""},
          {"Common/Assets/X.cpp", "#include \"Engine/A/a.h\""}},
         3},
        {"inside one module",
         {{"Engine/A/a.h", "#include \"Engine/A/Deep/b.h\""}, {"Engine/A/Deep/b.h", "#include \"Engine/A/a.h\""}},
         0},
        {"a chain",
         {{"Engine/A/a.h", "#include \"Engine/B/b.h\""},
          {"Engine/B/b.h", "#include \"Engine/C/c.h\""},
          {"Engine/A/x.cpp", "#include \"Engine/C/c.h\""},
          {"Engine/C/c.h", "// #include \"Engine/A/a.h\" was here"}},
         0},
    };
    for (const Case& c : cases) {
        fs::remove_all(root);
        for (const File& file : c.files) {
            fs::create_directories((root / file.path).parent_path());
            std::ofstream(root / file.path) << "#pragma once\n" << file.include << "\n";
        }
        const std::vector<std::string> cycle = find_cycle(module_includes(root));
        EXPECT_EQ(cycle.size(), c.cycle_length) << c.name;
        for (const std::string& line : cycle) {
            EXPECT_NE(line.find(":2: "), std::string::npos) << c.name << ": " << line;
        }
    }
    fs::remove_all(root);
}
