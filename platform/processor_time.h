#pragma once

#include <optional>

// The time the machine's processors have spent idle since it started, summed
// over all of them, in seconds (time spent waiting for the disk counts as
// idle); nothing when the system does not tell it.
std::optional<double> IdleProcessorSeconds();

// The processor time the calling thread has used, in seconds.
double ThreadProcessorSeconds();
