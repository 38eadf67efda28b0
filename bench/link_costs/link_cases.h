// The link operations whose cost per call is measured against the instant
// remote: the parsing of each data report mode, the register block read, and
// the worker thread the register read runs its loop on.
#pragma once

struct LinkCase {
  const char *key;         // the figure's name; its value is nanoseconds per call
  void (*prepare)(void);   // opens the instant remote and chooses its answer
  void (*run_once)(void);  // the measured call
};

extern const LinkCase kLinkCases[];
extern const int kLinkCaseCount;
