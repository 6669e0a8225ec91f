// How the tools write the confidence of a serial reading.
#pragma once

#include <string>

// The shortest general form of a confidence: 100, 92, 46.5.
std::string ConfidenceText(double confidence);
