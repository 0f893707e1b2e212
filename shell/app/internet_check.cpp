#include "shell/app/internet_check.h"

#include "engine/download_job.h"

bool IsConnectedToInternet() { return IsInternetConnected(); }
