#include "headless/check/scene_keys.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

namespace headless::check {

namespace {

using Entry = std::pair<std::string_view, NumberKey>;
constexpr NumberKey kReal{NumberKind::kReal, 1};
constexpr NumberKey kInteger{NumberKind::kInteger, 1};
constexpr NumberKey kTriple{NumberKind::kReal, 3};

// Sorted by key, for a binary search.
constexpr std::array kNumberKeys = {
    Entry{"a", kReal},                       // bump_map, exponent_map
    Entry{"aperture_radius", kReal},
    Entry{"aspect_ratio", kReal},
    Entry{"b", kReal},
    Entry{"base_value", kReal},
    Entry{"bih_tri_threshold", kInteger},
    Entry{"blade_curvature_radius", kReal},
    Entry{"blade_offset", kReal},
    Entry{"blend_factor", kReal},
    Entry{"blur", kReal},
    Entry{"burn", kReal},
    Entry{"c", kReal},
    Entry{"cauchy_b_coeff", kReal},
    Entry{"center", kTriple},
    Entry{"display_period", kInteger},
    Entry{"dist", kReal},
    Entry{"end_wavelength", kReal},
    Entry{"ev_adjust", kReal},
    Entry{"exponent", kReal},
    Entry{"exposure_duration", kReal},
    Entry{"film_iso", kInteger},
    Entry{"focus_distance", kReal},
    Entry{"forwards", kTriple},
    Entry{"gain", kReal},
    Entry{"gamma", kReal},
    Entry{"halt_samples_per_pixel", kReal},
    Entry{"halt_time", kReal},
    Entry{"height", kReal},
    Entry{"hemoglobin_fraction", kReal},
    Entry{"image_save_period", kInteger},
    Entry{"ior", kReal},
    Entry{"large_mutation_prob", kReal},
    Entry{"lens_sensor_dist", kReal},
    Entry{"matrix", NumberKey{NumberKind::kReal, 9}},
    Entry{"max_change", kReal},
    Entry{"max_depth", kInteger},
    Entry{"max_num_consec_rejections", kInteger},
    Entry{"melanin_fraction", kReal},
    Entry{"melanin_type_blend", kReal},
    Entry{"normal", kTriple},
    Entry{"num_blades", kInteger},
    Entry{"num_threads", kInteger},
    Entry{"num_values", kInteger},
    Entry{"overall_luminous_efficacy", kReal},
    Entry{"peak_min", kReal},
    Entry{"peak_value", kReal},
    Entry{"peak_width", kReal},
    Entry{"pos", kTriple},
    Entry{"post_scale", kReal},
    Entry{"power_drawn", kReal},
    Entry{"pre_scale", kReal},
    Entry{"precedence", kInteger},
    Entry{"radius", kReal},
    Entry{"ray_origin_nudge_distance", kReal},
    Entry{"rgb", kTriple},
    Entry{"ring", kReal},
    Entry{"scale", kReal},
    Entry{"sensor_width", kReal},
    Entry{"sigma", kReal},
    Entry{"start_angle", kReal},
    Entry{"start_wavelength", kReal},
    Entry{"sundir", kTriple},
    Entry{"super_sample_factor", kInteger},
    Entry{"temperature", kReal},
    Entry{"turbidity", kReal},
    Entry{"up", kTriple},
    Entry{"value", kReal},
    Entry{"values", NumberKey{NumberKind::kReal, 0}},
    Entry{"width", kReal},
    Entry{"x1", kInteger},
    Entry{"x2", kInteger},
    Entry{"y1", kInteger},
    Entry{"y2", kInteger},
};

constexpr bool Sorted() {
    for (size_t i = 1; i < kNumberKeys.size(); ++i) {
        if (!(kNumberKeys[i - 1].first < kNumberKeys[i].first)) return false;
    }
    return true;
}
static_assert(Sorted(), "kNumberKeys must be sorted by key");

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

std::string CheckNumberWord(std::string_view word, NumberKind kind) {
    const char* first = word.data();
    const char* last = word.data() + word.size();
    if (kind == NumberKind::kInteger) {
        long long value = 0;
        auto [end, ec] = std::from_chars(first, last, value);
        if (ec == std::errc() && end == last) return "";
        double real = 0;
        auto [realEnd, realEc] = std::from_chars(first, last, real);
        if (realEc == std::errc() && realEnd == last) return "\"" + std::string(word) + "\" is not an integer";
        return "\"" + std::string(word) + "\" is not a number";
    }
    double value = 0;
    auto [end, ec] = std::from_chars(first, last, value);
    if (end != last || (ec != std::errc() && ec != std::errc::result_out_of_range)) {
        return "\"" + std::string(word) + "\" is not a number";
    }
    // The renderer reads 32-bit reals: beyond their range a value is infinite.
    if (ec == std::errc::result_out_of_range || !std::isfinite(value) ||
        std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) {
        return "\"" + std::string(word) + "\" is not a finite number";
    }
    return "";
}

std::optional<NumberKey> NumberKeyOf(std::string_view key) {
    auto it = std::lower_bound(kNumberKeys.begin(), kNumberKeys.end(), key,
                               [](const Entry& entry, std::string_view k) { return entry.first < k; });
    if (it == kNumberKeys.end() || it->first != key) return std::nullopt;
    return it->second;
}

std::string CheckNumbers(std::string_view text, const NumberKey& key) {
    size_t found = 0;
    std::string firstProblem;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsBlank(text[i])) ++i;
        if (i == text.size()) break;
        size_t end = i;
        while (end < text.size() && !IsBlank(text[end])) ++end;
        if (firstProblem.empty()) firstProblem = CheckNumberWord(text.substr(i, end - i), key.kind);
        ++found;
        i = end;
    }
    const char* noun = key.kind == NumberKind::kInteger ? "integer" : "number";
    if (key.count == 0 && found == 0) return std::string("expected one or more ") + noun + "s, found none";
    if (key.count != 0 && found != key.count) {
        const std::string expected =
            key.count == 1 ? std::string(key.kind == NumberKind::kInteger ? "an integer" : "a number")
                           : std::to_string(key.count) + " " + noun + "s";
        return "expected " + expected + ", found " + (found == 0 ? std::string("none") : std::to_string(found));
    }
    return firstProblem;
}

bool IsBuiltInMaterial(std::string_view name) { return name == "defaultMat" || name == "nullMat"; }

}  // namespace headless::check
