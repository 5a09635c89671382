// The size part of a tag: a byte count as a number and a unit.
#pragma once

#include "text/byte_buffer.h"

namespace fenmarrow {

// The byte count in B, KB, MB or GB (powers of 1024), rounded half up to two
// decimals, trailing zeros dropped, always with "." as the decimal point.
// A count exactly on a bound takes the larger unit, since users read "1 KB"
// more easily than "1024 B": 1024 → "1 KB", 1048576 → "1 MB",
// 1073741824 → "1 GB". Just below a bound the smaller unit stays and may
// read 1024: 1048575 → "1024 KB". Others: -1 → "-1 B", 1152 → "1.13 KB",
// 123456789 → "117.74 MB", 5497558138880 → "5120 GB".
GbkText FormatSizeText(double size);

}  // namespace fenmarrow
