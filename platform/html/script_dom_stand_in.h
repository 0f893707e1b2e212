#pragma once

// The script that stands in for the browser's document, window and the few jQuery
// calls the pages make, for running a page's own script in the script engine
// alone. Written to the oldest language level the engine knows, so that it runs
// whatever mode the pages ask for.
const wchar_t* ScriptDomStandIn();
