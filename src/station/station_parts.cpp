#include "station/station_parts.h"

#include "station/attach_entry.h"
#include "station/form1.h"
#include "station/label_designer.h"
#include "station/scale_link.h"

void installStationParts(Form1& window)
{
    attachEntry(window);
    attachLabels(window);
    attachScale(window);
}
