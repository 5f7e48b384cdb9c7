#include "pipeline/process_commands.h"
