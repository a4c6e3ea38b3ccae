// What several benchmarks build: scenes of the sizes they measure, and the process's memory.
#pragma once

#include <cstdint>
#include <string>

#include "headless/host/host.h"

namespace bench {

// A grid of side x side quads with a UV tag, a smoothing tag and a texture tag (material
// "Ground Plate") as the headless host's active document: flat, or gently waved, so that every
// point has a normal of its own (a million distinct normals at the largest size) as on real
// models.  Returns the grid.
HostObject* AddGrid(headless::HeadlessHost& host, int32_t side, bool waved);
// `count` polygon objects of one quad each, side by side, as the host's active document.
void AddQuadObjects(headless::HeadlessHost& host, int32_t count);

// Writes a binary glTF (.glb) of a waved grid of side x side quads as 2 side² triangles, with
// a normal and a UV per point and one material, as modellers save meshes; false when it could
// not be written.
bool WriteGlbGrid(const std::string& path, int32_t side);

// A value of /proc/self/status ("VmHWM:", "VmRSS:") in megabytes.
double StatusMegabytes(const char* key);
// Starts a new peak-memory measurement; returns the resident size it starts from.
double ResetPeakMemory();

}  // namespace bench
