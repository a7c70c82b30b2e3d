// What a file's list item says when its tag could not be written.
#pragma once

#include <string>

#include "tag_engine/mp3_tag_engine.h"

// The tooltip of an item whose write failed, in words for the user (UTF-8);
// empty for WriteFailure::None.
std::string WriteFailureText(Mp3TagEngine::WriteFailure failure);
