#include "engine_init.h"

#include "eval/params.h"
#include "position/attacks.h"

void initEngineTables()
{
    buildSliderTables();
    applyParams();
}
