#pragma once
// Text taken from a telegram, made fit for the terminal: the cleaning the
// statistics table below the tools uses as well.
#include "report/ReceivedText.h"
