#pragma once
// The show's meshes, made in code.
#include "tools/common/bof_write.h"

// The jelly robot: about 2 units tall around the origin, facing -z. Its
// torso, hips and the roots of every limb lie within 1 unit of the origin
// (held by the soft body's pins); head top, antenna, hands and toes reach
// beyond and wobble.
BofMesh make_robot();
// The flying saucer at ten times its shown size: a disc with a dome whose
// rim reaches past 1 shown unit and wobbles.
BofMesh make_saucer();
// City blocks for a 40-unit grid, each a ring of buildings around an open
// plaza 24 units across, no part further than 18 units from the
// block's centre so that any turn leaves streets between neighbours;
// facades tile the window texture once every 4 units.
BofMesh make_building1();
BofMesh make_building2();
