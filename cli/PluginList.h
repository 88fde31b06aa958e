// The text --list prints about a plug-in's property lists.
#pragma once

#include "testhost/PiplReader.h"

#include <string>
#include <vector>

std::string DescribePropertyLists(const std::string& path,
                                  const std::vector<PiplProperties>& lists);
