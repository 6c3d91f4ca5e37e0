// The program's version: the one place it is set. The version resource, the
// tests and the release packaging (tools/package.sh reads the four numbers
// below) all take it from here.
#pragma once

#define TIDEWELL_VERSION_MAJOR 1
#define TIDEWELL_VERSION_MINOR 0
#define TIDEWELL_VERSION_PATCH 0
#define TIDEWELL_VERSION_BUILD 1

// "1.0.0.1" is one preprocessing number, so it can be made into a text in one
// step: the resource compiler does not join adjacent string literals.
#define TIDEWELL_VERSION_DOTTED_(a, b, c, d) a.b.c.d
#define TIDEWELL_VERSION_STRING_(x) #x
#define TIDEWELL_VERSION_TEXT_(x) TIDEWELL_VERSION_STRING_(x)

#define TIDEWELL_VERSION_NUMBERS \
  TIDEWELL_VERSION_MAJOR, TIDEWELL_VERSION_MINOR, TIDEWELL_VERSION_PATCH, TIDEWELL_VERSION_BUILD
#define TIDEWELL_VERSION_TEXT                                                                    \
  TIDEWELL_VERSION_TEXT_(TIDEWELL_VERSION_DOTTED_(TIDEWELL_VERSION_MAJOR, TIDEWELL_VERSION_MINOR, \
                                                  TIDEWELL_VERSION_PATCH, TIDEWELL_VERSION_BUILD))
