#pragma once

#include <QString>

// The big search listed in the real main window: runs it on the sample
// history until `target` patterns are held and listed, then prints the heap
// each pattern takes (collection and list together) and how long the window
// takes to list, sort, select, invert, save and delete that many rows.
void BenchList(const QString &samplePath, int target);
