#pragma once

// The system reports a connection (the engine's check, kept apart from the
// foundation's constants that share names with the engine's).
bool IsConnectedToInternet();
