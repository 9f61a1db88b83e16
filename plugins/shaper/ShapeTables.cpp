#include "ShapeTables.h"

ShapeTables::ShapeTables() : tables(std::make_unique<ShapeTable[]>(3)) {}

void ShapeTables::publish()
{
    newest = building;
    building = between.exchange(building | fresh, std::memory_order_acq_rel) & ~fresh;
}

const ShapeTable& ShapeTables::current()
{
    if (between.load(std::memory_order_relaxed) & fresh)
        reading = between.exchange(reading, std::memory_order_acq_rel) & ~fresh;
    return tables[reading];
}
