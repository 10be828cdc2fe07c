#include "DateFormatting.h"
