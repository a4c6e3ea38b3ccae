#include "headless/check/obj_check.h"

#include <charconv>
#include <cstring>

#include "headless/check/scene_keys.h"

namespace headless::check {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The next blank-separated word of `rest` (moved past it); empty at the end.
std::string_view NextWord(std::string_view& rest) {
    size_t i = 0;
    while (i < rest.size() && IsBlank(rest[i])) ++i;
    size_t end = i;
    while (end < rest.size() && !IsBlank(rest[end])) ++end;
    const std::string_view word = rest.substr(i, end - i);
    rest.remove_prefix(end);
    return word;
}

struct Counts {
    size_t vertices = 0;
    size_t uvs = 0;
    size_t normals = 0;
    size_t faces = 0;
    size_t groups = 0;
};

// The problem with a line of numbers ("v", "vt", "vn"), or "".
std::string CheckVector(std::string_view keyword, std::string_view rest, size_t least, size_t most) {
    size_t found = 0;
    std::string problem;
    for (std::string_view word = NextWord(rest); !word.empty(); word = NextWord(rest)) {
        if (problem.empty()) problem = CheckNumberWord(word, NumberKind::kReal);
        ++found;
    }
    if (found < least || found > most) {
        const std::string expected = least == most ? std::to_string(least)
                                   : most == SIZE_MAX ? std::to_string(least) + " or more"
                                                      : std::to_string(least) + " to " + std::to_string(most);
        return std::string(keyword) + ": expected " + expected + " numbers, found " + std::to_string(found);
    }
    return problem.empty() ? "" : std::string(keyword) + ": " + problem;
}

// The problem with one index of a face corner, or "".
std::string CheckIndex(std::string_view text, size_t count, const char* what, const char* plural) {
    long long index = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), index);
    if (ec != std::errc() || end != text.data() + text.size()) return "bad";
    const long long limit = static_cast<long long>(count);
    if (index == 0 || index > limit || index < -limit) {
        return std::string("f: ") + what + " index " + std::string(text) + " is out of range (" +
               std::to_string(count) + " " + plural + ")";
    }
    return "";
}

std::string CheckFace(std::string_view rest, const Counts& counts) {
    size_t corners = 0;
    for (std::string_view corner = NextWord(rest); !corner.empty(); corner = NextWord(rest)) {
        ++corners;
        std::string_view parts[3];
        size_t n = 0;
        bool malformed = false;
        for (std::string_view left = corner;;) {
            if (n == 3) {
                malformed = true;
                break;
            }
            const size_t slash = left.find('/');
            parts[n++] = left.substr(0, slash);
            if (slash == std::string_view::npos) break;
            left.remove_prefix(slash + 1);
        }
        malformed = malformed || parts[0].empty() || (n == 2 && parts[1].empty()) || (n == 3 && parts[2].empty());
        std::string problem = malformed ? "bad" : CheckIndex(parts[0], counts.vertices, "vertex", "vertices");
        if (problem.empty() && n >= 2 && !parts[1].empty()) {
            problem = CheckIndex(parts[1], counts.uvs, "texture coordinate", "texture coordinates");
        }
        if (problem.empty() && n == 3) problem = CheckIndex(parts[2], counts.normals, "normal", "normals");
        if (problem == "bad") return "f: \"" + std::string(corner) + "\" is not a face corner";
        if (!problem.empty()) return problem;
    }
    if (corners < 3) return "f: a face needs 3 corners, found " + std::to_string(corners);
    return "";
}

// "# N WHAT": the problem when N does not match, or "".
std::string CheckCountComment(std::string_view line, const Counts& counts) {
    std::string_view rest = line.substr(1);
    const std::string_view number = NextWord(rest);
    unsigned long long stated = 0;
    auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), stated);
    if (number.empty() || ec != std::errc() || end != number.data() + number.size()) return "";
    const std::string_view what = Trimmed(rest);
    const std::string quoted = "\"# " + std::string(number) + " " + std::string(what) + "\": the file has ";
    auto compare = [&](size_t actual, const char* noun) {
        return actual == stated ? std::string() : quoted + std::to_string(actual) + " " + noun;
    };
    if (what == "vertices") return compare(counts.vertices, "vertices");
    if (what == "texture coordinates") return compare(counts.uvs, "texture coordinates");
    if (what == "normals") return compare(counts.normals, "normals");
    if (what == "faces") {
        const bool wrong = counts.faces < stated || (counts.faces > stated && counts.groups <= 1);
        return wrong ? quoted + std::to_string(counts.faces) + " face lines" : std::string();
    }
    return "";
}

}  // namespace

void CheckObjText(std::string_view text, const std::string& file,
                  const std::function<bool(std::string_view)>& isMaterial, std::vector<CheckProblem>& problems) {
    Counts counts;
    size_t found = 0;
    auto report = [&](int line, std::string problem) {
        if (++found <= kMaxObjProblems) problems.push_back({file, line, 0, std::move(problem)});
    };
    int lineNumber = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        ++lineNumber;
        const char* newline = static_cast<const char*>(std::memchr(text.data() + pos, '\n', text.size() - pos));
        const size_t end = newline ? static_cast<size_t>(newline - text.data()) : text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
        if (line.empty()) continue;
        std::string_view rest = line;
        const std::string_view keyword = NextWord(rest);
        std::string problem;
        if (keyword == "v") {
            ++counts.vertices;
            problem = CheckVector(keyword, rest, 3, SIZE_MAX);
        } else if (keyword == "vt") {
            ++counts.uvs;
            problem = CheckVector(keyword, rest, 1, 3);
        } else if (keyword == "vn") {
            ++counts.normals;
            problem = CheckVector(keyword, rest, 3, 3);
        } else if (keyword == "f") {
            ++counts.faces;
            problem = CheckFace(rest, counts);
        } else if (keyword == "usemtl") {
            ++counts.groups;
            const std::string_view name = Trimmed(rest);
            if (isMaterial && !isMaterial(name)) {
                problem = "usemtl \"" + std::string(name) + "\": the scene declares no material of this name";
            }
        } else if (keyword == "#") {
            problem = CheckCountComment(line, counts);
        }
        if (!problem.empty()) report(lineNumber, std::move(problem));
    }
    if (found > kMaxObjProblems) {
        problems.push_back({file, lineNumber, 0,
                            std::to_string(found - kMaxObjProblems) + " more problems in this file not listed"});
    }
}

}  // namespace headless::check
