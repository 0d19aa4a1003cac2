// The text of the printed specifications page: every dimension a framer
// needs to cut the mats and build the frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/settings.h"

// The page's lines in order (empty texts are blank lines), lengths in the
// display units, `date` as the second line.
std::vector<std::string> SpecificationLines(const SceneSettings& scene, int32_t units, const std::string& date);
