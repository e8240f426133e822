#include "serial/linesettings.h"

bool LineSettings::applyTo(QSerialPort &port) const
{
    return port.setBaudRate(baudRate) && port.setParity(parity) && port.setDataBits(dataBits)
        && port.setStopBits(stopBits) && port.setFlowControl(flowControl);
}
