// Level maps and enemy rosters of the data tree.
//
// Needs the ifold_mapc library (tools/mapc).
#pragma once

#include <string>

// Compiles content_dir/levels/{classic,extended}/levelN.txt (N = 1..35) into
// data_dir/level/{classic,extended}/levelN.map after checking each design, and
// copies content_dir/rosters/levelD.rsp (D = 0..9) to data_dir/level/ after
// checking that each holds twenty kind codes 0..3. Stops at the first problem
// with a message naming the file (and row and column for a design).
bool generate_levels(const std::string& content_dir, const std::string& data_dir, std::string& error);
