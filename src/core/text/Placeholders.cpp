#include "Placeholders.h"
