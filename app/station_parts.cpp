#include "station_parts.h"

#include "form1.h"

void installStationParts(Form1& window)
{
    Q_UNUSED(window);
}
