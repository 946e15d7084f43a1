#pragma once
#include <cstdio>

#include "decoders/LogFiles.h"

// The syncer of an open log file: fdatasync on its descriptor, which makes
// the file's data durable without waiting for its times to be written. A
// file that cannot be synchronised because it lies on no disk (a terminal,
// a pipe, /dev/null) counts as synchronised.
FileSyncer DataSyncerFor(std::FILE* file);
