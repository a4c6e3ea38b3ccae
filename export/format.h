// Number texts: every number that the module writes into a file is formatted here.
//
// Reals are the host's 32-bit floats.  A digit count of 0 or more gives a fixed number of
// digits after the point, as printf's "%.Nf" does (the value is rounded exactly, ties to
// even); a negative digit count (-1, -3, -5 are in use) gives the shortest plain decimal
// text, without exponent, that reads back as the same 32-bit float.  A result that shows
// zero never carries a minus sign ("-0.00000000" is written "0.00000000").
#pragma once

#include <cstdint>
#include <string>

#include "plugin/sdk/hoststring.h"
#include "plugin/sdk/math.h"

namespace textfmt {

void AppendReal(std::string& out, float value, int digits);
void AppendInt(std::string& out, int64_t value);

}  // namespace textfmt

HostString FormatReal(float value, int digits);
HostString FormatInt(int32_t value);
// Two decimals, for console texts of seconds and minutes.
HostString FormatSeconds(float value);
