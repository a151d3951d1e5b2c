// The code page conversions now live with the rest of the text conversion.
#pragma once

#include "platform/text_convert.h"
