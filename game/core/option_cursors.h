// The cursors of the options and the key configuration. They live beside the records the tools
// reach by name, so a probe can put a menu on any line.
#pragma once

#include <cstdint>

namespace veyrdale {

// The highlighted line 0-10 of the options; 0 again once the options are left.
extern int32_t OptionCursor;
// Per column of the key configuration: 0-4 the buttons, 5 the back line; all 0 on entering it.
extern int32_t KeyConfigCursors[4];
// The records menu's item 0-3; kept between visits.
extern int32_t RecordsMenuCursor;
// The difficulty 0-3 the score-table pages show, shared by the main and the extra story's page;
// Normal at program start.
extern int32_t ScoreTableCursor;

}  // namespace veyrdale
