#include "rx_line.h"
