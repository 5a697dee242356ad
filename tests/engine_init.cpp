#include "engine_init.h"

void initEngineTables()
{
}
