#pragma once

#include <QString>

// Which device a port number (Com1 … Com16 in the port dialog) opens.
//
// On Windows the number N is the port COMN. Elsewhere the numbers follow a fixed map,
// so that a stored number keeps meaning the same device whatever else is plugged in:
//   Com1 – Com8    /dev/ttyS0 – /dev/ttyS7     ports on the board or a serial card
//   Com9 – Com12   /dev/ttyUSB0 – /dev/ttyUSB3 USB serial adapters
//   Com13 – Com16  /dev/ttyACM0 – /dev/ttyACM3 USB devices of the modem class
// On every system the setting [Platform] ComN of the settings file (Topkar.ini) names
// another device for the number N, e.g. Com9=/dev/serial/by-id/usb-FTDI_… for an
// adapter that must be found whatever its order, or the end of a virtual serial pair.
QString portDevice(int number);

// What the operator is told for a number without a device.
QString noPortDeviceText(int number);

// The device of the fixed map (no setting); empty when the number has none.
QString defaultPortDevice(int number);

// A line for the operator about the device behind a number: its path, its description
// when the system lists it, and whether it is there now.
QString portDeviceSummary(int number);

// How port numbers map to devices on this system (empty on Windows, where the number
// is the COM port itself).
QString portMapNote();
