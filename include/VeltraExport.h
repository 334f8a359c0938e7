// Marks the names that a library exports on purpose; everything else is
// built with hidden visibility.
#pragma once

#define VELTRA_EXPORT __attribute__((visibility("default")))
