// Number texts: every number that the module writes into a file is formatted here.
//
// Reals are the host's 32-bit floats.  A digit count of 0 or more gives a fixed number of
// digits after the point, as printf's "%.Nf" does (the value is rounded exactly, ties to
// even); a negative digit count (-1, -3, -5 are in use) gives the shortest plain decimal
// text, without exponent, that reads back as the same 32-bit float.  A result that shows
// zero never carries a minus sign ("-0.00000000" is written "0.00000000"); only the exact
// printf texts of the mesh files (WritePrintfFixed8) keep it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "sdk/hoststring.h"
#include "sdk/math.h"

namespace textfmt {

void AppendReal(std::string& out, float value, int digits);
void AppendInt(std::string& out, int64_t value);

// Exact printf texts, for the mesh files, written straight into a caller's buffer (no
// allocation, no locale, no printf).  Each returns the end of the text it wrote.
//
// WritePrintfFixed8 writes what printf's "%.8f" writes for the value (passed as a double):
// the same bytes, rounding ties to even.  Unlike AppendReal it keeps printf's sign on a
// text that shows zero: -0.0 and -1e-10 give "-0.00000000".  Not-finite values give "nan",
// "-nan", "inf" and "-inf" as glibc prints them.  `out` must have room for
// kPrintfFixed8MaxBytes.
inline constexpr size_t kPrintfFixed8MaxBytes = 64;
char* WritePrintfFixed8(char* out, float value);
// What printf's "%li" writes for the value.  `out` must have room for kPrintfIntMaxBytes.
inline constexpr size_t kPrintfIntMaxBytes = 24;
char* WritePrintfInt(char* out, int64_t value);

}  // namespace textfmt

HostString FormatReal(float value, int digits);
HostString FormatInt(int32_t value);
// Two decimals, for console texts of seconds and minutes.
HostString FormatSeconds(float value);
