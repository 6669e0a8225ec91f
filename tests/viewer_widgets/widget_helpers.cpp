#include "widget_helpers.h"
