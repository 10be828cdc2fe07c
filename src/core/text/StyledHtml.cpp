// Styled text to and from HTML.
#include "HTMLText.h"
