#include "GenICamDiscovery.h"

#include <arv.h>

#include "GenICamCamera.h"

namespace {

std::string text(const char* pText)
{
    return pText == nullptr ? std::string() : std::string(pText);
}

} // namespace

std::string genicamInterface(const std::string& strProtocol)
{
    if (strProtocol == "GigEVision")
        return "GigE";
    if (strProtocol == "USB3Vision")
        return "USB3";
    return strProtocol;
}

std::vector<DiscoveredCamera> discoverGenICamCameras(const CoreOptions& options)
{
    arv_update_device_list();
    std::vector<DiscoveredCamera> found;
    const unsigned int nDevices = arv_get_n_devices();
    for (unsigned int i = 0; i < nDevices; ++i) {
        DiscoveredCamera camera;
        CameraDescriptor& d = camera.descriptor;
        d.strId = text(arv_get_device_id(i));
        if (d.strId.empty())
            continue;
        d.strVendor = text(arv_get_device_vendor(i));
        d.strModel = text(arv_get_device_model(i));
        d.strSerial = text(arv_get_device_serial_nbr(i));
        d.strInterface = genicamInterface(text(arv_get_device_protocol(i)));
        d.strAddress = text(arv_get_device_address(i));
        // A GigE camera opens by address in milliseconds, by name only after
        // a discovery of its own.
        CoreOptions cameraOptions = options;
        cameraOptions.strGenICam = QString::fromStdString(
            d.strInterface == "GigE" && !d.strAddress.empty() ? d.strAddress : d.strId);
        camera.makeBackend = [cameraOptions] { return std::make_unique<GenICamCamera>(cameraOptions); };
        found.push_back(std::move(camera));
    }
    return found;
}
