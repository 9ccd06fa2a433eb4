#include "station_parts.h"

#include "form1.h"
#include "label_designer.h"

void installStationParts(Form1& window)
{
    attachLabels(window);
}
