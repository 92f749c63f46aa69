#include "param_data.h"
