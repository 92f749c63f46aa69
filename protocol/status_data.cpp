#include "status_data.h"
