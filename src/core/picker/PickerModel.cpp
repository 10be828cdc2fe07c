#include "PickerModel.h"
