#pragma once

// The tool bar images and the icon live in the widgets' static library; this
// pulls them into the program. Any number of calls load them once.
void LoadResources();
