// Every #include of the sources, read from the tree: a folder includes only
// its own headers, those of the layers below it that it may use, and the
// system headers its layer allows. This keeps the layers true as code is added.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

enum class SystemHeaders {
    Standard,       // the C++ standard library (and the C headers it carries)
    StandardPosix,  // and the operating system's headers
    QtCore,         // the standard library and Qt Core
    QtWidgets       // the standard library and Qt's Core, Gui, Widgets and PrintSupport
};

struct CLayer {
    std::string folder;
    std::vector<std::string> mayUse;  // the folders below it whose headers it may include
    SystemHeaders system;
    std::vector<std::string> libraries = {};  // folders of further libraries' headers it may include
};

// Bottom to top.
const std::vector<CLayer>& Layers()
{
    static const std::vector<CLayer> layers = {
        {"clock", {}, SystemHeaders::Standard},
        {"report", {"clock"}, SystemHeaders::Standard},
        {"decoders", {"report", "clock"}, SystemHeaders::Standard},
        {"acquisition", {"decoders", "report", "clock"}, SystemHeaders::StandardPosix},
        {"simulation", {"acquisition", "decoders", "report", "clock"}, SystemHeaders::StandardPosix},
        {"models", {"acquisition", "decoders", "report", "clock"}, SystemHeaders::Standard},
        {"replay", {"models", "acquisition", "decoders", "report", "clock"}, SystemHeaders::Standard,
         {"nlohmann/"}},
        {"settings", {"acquisition"}, SystemHeaders::QtCore},
        {"app/widgets", {}, SystemHeaders::QtWidgets},
        {"app", {"app/widgets", "settings", "replay", "models", "simulation", "acquisition", "decoders", "report", "clock"},
         SystemHeaders::QtWidgets},
        {"tools", {"settings", "replay", "models", "simulation", "acquisition", "decoders", "report", "clock"},
         SystemHeaders::StandardPosix, {"nlohmann/"}},
    };
    return layers;
}

const std::set<std::string>& StandardHeaders()
{
    static const std::set<std::string> headers = {
        "algorithm", "any", "array", "atomic", "barrier", "bit", "bitset", "cassert", "cctype",
        "cerrno", "cfenv", "cfloat", "charconv", "chrono", "cinttypes", "climits", "clocale", "cmath",
        "codecvt", "compare", "complex", "concepts", "condition_variable", "coroutine", "csetjmp",
        "csignal", "cstdarg", "cstddef", "cstdint", "cstdio", "cstdlib", "cstring", "ctime", "cuchar",
        "cwchar", "cwctype", "deque", "exception", "execution", "filesystem", "format", "forward_list",
        "fstream", "functional", "future", "initializer_list", "iomanip", "ios", "iosfwd", "iostream",
        "istream", "iterator", "latch", "limits", "list", "locale", "map", "memory", "memory_resource",
        "mutex", "new", "numbers", "numeric", "optional", "ostream", "queue", "random", "ranges",
        "ratio", "regex", "scoped_allocator", "semaphore", "set", "shared_mutex", "source_location",
        "span", "sstream", "stack", "stdexcept", "stop_token", "streambuf", "string", "string_view",
        "syncstream", "system_error", "thread", "tuple", "type_traits", "typeindex", "typeinfo",
        "unordered_map", "unordered_set", "utility", "valarray", "variant", "vector", "version",
        // The C library's own names for the same headers.
        "assert.h", "ctype.h", "errno.h", "fenv.h", "float.h", "inttypes.h", "limits.h", "locale.h",
        "math.h", "setjmp.h", "signal.h", "stdarg.h", "stddef.h", "stdint.h", "stdio.h", "stdlib.h",
        "string.h", "time.h", "uchar.h", "wchar.h", "wctype.h",
    };
    return headers;
}

// The Qt module directory that holds a header, or "" when none does or Qt
// is not part of this build.
std::string QtModuleOf(const std::string& header)
{
#ifdef VANTREL_QT_INCLUDE_ROOT
    for (const char* module : {"QtCore", "QtGui", "QtWidgets", "QtPrintSupport", "QtTest"}) {
        const std::string name = header.rfind(std::string(module) + "/", 0) == 0 ? header.substr(std::string(module).size() + 1) : header;
        if (fs::exists(fs::path(VANTREL_QT_INCLUDE_ROOT) / module / name))
            return module;
    }
#else
    (void)header;
#endif
    return {};
}

bool LooksLikeQt(const std::string& header)
{
    return header.size() > 1 && header[0] == 'Q';
}

// Why a system header is refused in a layer, or "" when it is allowed.
std::string SystemHeaderRefusal(const std::string& header, SystemHeaders allowed)
{
    if (StandardHeaders().count(header) != 0)
        return {};
    if (LooksLikeQt(header)) {
        const std::string module = QtModuleOf(header);
        if (allowed == SystemHeaders::QtCore && module == "QtCore")
            return {};
        if (allowed == SystemHeaders::QtWidgets && module != "" && module != "QtTest")
            return {};
        return "a Qt header (" + (module.empty() ? std::string("unknown module") : module) + ")";
    }
    if (allowed == SystemHeaders::StandardPosix && header.size() > 2 && header.ends_with(".h"))
        return {};
    return "not a header of the standard library";
}

struct CInclude {
    std::string file;  // relative to the source root
    int line;
    std::string name;
    bool system;  // <...>
};

std::vector<CInclude> IncludesOf(const fs::path& root, const fs::path& file)
{
    static const std::regex directive(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    std::vector<CInclude> includes;
    std::ifstream in(file);
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        std::smatch match;
        if (std::regex_search(text, match, directive))
            includes.push_back({fs::relative(file, root).generic_string(), line, match[2], match[1] == "<"});
    }
    return includes;
}

// The layer a source file belongs to: the deepest folder of the table that holds it.
const CLayer* LayerOf(const std::string& relativePath)
{
    const CLayer* found = nullptr;
    for (const CLayer& layer : Layers()) {
        if (relativePath.rfind(layer.folder + "/", 0) == 0 &&
            (!found || layer.folder.size() > found->folder.size()))
            found = &layer;
    }
    return found;
}

std::vector<fs::path> SourcesOf(const fs::path& root, const std::string& folder)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
        const std::string extension = entry.path().extension().string();
        if (entry.is_regular_file() && (extension == ".h" || extension == ".cpp"))
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Why a project header is refused, or "" when the file may include it.
std::string ProjectHeaderRefusal(const CInclude& include, const CLayer& layer, const fs::path& root)
{
    if (include.name == "BuildInfo.h" && layer.folder == "app")
        return {};  // made by the build from app/BuildInfo.h.in
    if (!fs::exists(root / include.name))
        return "no such file under the source root (includes name the folder: \"decoders/ByteView.h\")";
    const CLayer* target = LayerOf(include.name);
    if (!target)
        return "outside every layer";
    if (target == &layer)
        return {};
    if (std::find(layer.mayUse.begin(), layer.mayUse.end(), target->folder) != layer.mayUse.end())
        return {};
    return "layer " + layer.folder + " may not use " + target->folder;
}

} // namespace

TEST(Layers, EveryIncludeStaysWithinTheLayersItsFolderMayUse)
{
    const fs::path root = VANTREL_SOURCE_DIR;
    int checked = 0;
    for (const CLayer& layer : Layers()) {
        if (!fs::exists(root / layer.folder)) {
            ADD_FAILURE() << "missing folder " << layer.folder;
            continue;
        }
        for (const fs::path& file : SourcesOf(root, layer.folder)) {
            const std::string relative = fs::relative(file, root).generic_string();
            if (LayerOf(relative) != &layer)
                continue;  // a sub-folder with a layer of its own
            for (const CInclude& include : IncludesOf(root, file)) {
                ++checked;
                std::string refusal;
                if (include.system) {
#ifndef VANTREL_QT_INCLUDE_ROOT
                    if (layer.system >= SystemHeaders::QtCore && LooksLikeQt(include.name))
                        continue;  // no Qt in this build to look the module up in
#endif
                    const bool ofItsLibraries =
                        std::any_of(layer.libraries.begin(), layer.libraries.end(),
                                    [&include](const std::string& folder) { return include.name.starts_with(folder); });
                    refusal = ofItsLibraries ? "" : SystemHeaderRefusal(include.name, layer.system);
                } else {
                    refusal = ProjectHeaderRefusal(include, layer, root);
                }
                EXPECT_EQ(refusal, "") << include.file << ":" << include.line << ": #include "
                                       << (include.system ? "<" : "\"") << include.name
                                       << (include.system ? ">" : "\"");
            }
        }
    }
    EXPECT_GT(checked, 300) << "the sources were not found under " << root;
}

TEST(Layers, EachLayerUsesOnlyLayersBelowIt)
{
    // The table itself: a layer names only layers listed before it, so no
    // two folders can include each other, directly or through others.
    std::vector<std::string> seen;
    for (const CLayer& layer : Layers()) {
        for (const std::string& used : layer.mayUse)
            EXPECT_NE(std::find(seen.begin(), seen.end(), used), seen.end())
                << layer.folder << " uses " << used << ", which is not below it";
        seen.push_back(layer.folder);
    }
}

TEST(Layers, TestsMirrorTheSourceFolders)
{
    const fs::path root = VANTREL_SOURCE_DIR;
    for (const CLayer& layer : Layers())
        EXPECT_TRUE(fs::is_directory(root / "tests" / layer.folder)) << "no tests/" << layer.folder;
    for (const auto& entry : fs::recursive_directory_iterator(root / "tests")) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() == ".cpp") {
            EXPECT_TRUE(name.ends_with("Test.cpp")) << entry.path() << ": test files are named FooTest.cpp";
        }
    }
}
