// Where the two programs judge versions differently: the Windows program reads an image's
// compatible minimum but does not act on it; the macOS program applies it.
#pragma once

bool zepAppliesCompatibleVersion();
