#include "engine_init.h"

#include "eval/params.h"

void initEngineTables()
{
    applyParams();
}
