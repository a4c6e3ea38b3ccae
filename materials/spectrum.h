// Spectrum elements: the five ways the renderer describes a colour-like quantity.  Each writer
// appends one spectrum element as the last child of the wrapper element its caller made; used
// by materials, media, mesh lights and the background.
#pragma once

#include <cstdint>

#include <tinyxml.h>

#include "sdk/hoststring.h"

// "rgb": the colour times the gain, and the gamma.
bool WriteRgbSpectrum(float r, float g, float b, float gamma, float gain, TiXmlElement& parent);
bool WriteBlackbodySpectrum(float temperature, float gain, TiXmlElement& parent);
bool WriteUniformSpectrum(float value, TiXmlElement& parent);
bool WritePeakSpectrum(float peakMin, float peakWidth, float baseValue, float peakValue, TiXmlElement& parent);
// "regular_tabulated": the texts as they stand; a list of values too long for one element is
// cut after its last whole value.
bool WriteTabulatedSpectrum(const HostString& startWavelength, const HostString& endWavelength, int32_t count,
                            const HostString& values, TiXmlElement& parent);
