#include "station_parts.h"

#include "form1.h"
#include "scale_link.h"

void installStationParts(Form1& window)
{
    attachScale(window);
}
