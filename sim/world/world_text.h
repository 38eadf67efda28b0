// The state file's text form: reading it with exact fault messages, and
// writing it back so that reading gives the same world.
#pragma once

#include <stddef.h>

#include <string>

#include "sim/world/world.h"

// `file_name` only labels the messages: "<file>:<line>: <fault>".
bool world_parse(const char *text, size_t size, const char *file_name, SimWorld *world, char *error,
                 size_t error_size);

std::string world_format(const SimWorld &world);
