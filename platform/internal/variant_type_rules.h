// Which VARTYPEs a VARIANT or a SAFEARRAY may hold, and element sizes.
#pragma once

#include "platform/variant_types.h"

// True for the tags a VARIANT may carry: the automation base types, alone,
// with VT_ARRAY, or with VT_BYREF (VT_VARIANT only with VT_BYREF or
// VT_ARRAY; VT_EMPTY and VT_NULL only alone).
bool IsValidVariantType(VARTYPE vt);

// Size in bytes of one element of a SAFEARRAY of vt; 0 when vt cannot be an
// element type.
ULONG SafeArrayElementSize(VARTYPE vt);
