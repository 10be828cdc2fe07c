#include "Rtf.h"
