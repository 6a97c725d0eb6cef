// Marks a declaration as part of a library's exports. Libraries build with hidden
// visibility and a version script (their export list) that decides the final table.
#pragma once

#define KV_EXPORT __attribute__((visibility("default")))
