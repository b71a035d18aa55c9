#include "timing/numeric_text.h"
