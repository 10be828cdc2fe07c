#include "CssColor.h"
