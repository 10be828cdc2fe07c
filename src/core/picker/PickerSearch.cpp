#include "PickerSearch.h"
