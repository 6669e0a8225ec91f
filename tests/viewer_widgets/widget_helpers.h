// Helpers of the widget suites: a shown view of a given client size, and
// synthetic graphics.
#pragma once
