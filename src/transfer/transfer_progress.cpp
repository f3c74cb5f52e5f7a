#include "transfer/transfer_progress.h"
