#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

// A GenICam description of the test's own for the fake GigE camera
// (arv-fake-gv-camera-0.8 -g FILE): cameras differ from the stock fake in the
// features they offer and in their names, yet every feature here maps onto a
// register the fake has (or onto plain memory of its, which keeps what is
// written), so the fake serves it with its own behaviour behind.
struct CameraDescription
{
    // The TriggerSoftware command.
    bool bTriggerSoftware = true;
    // "Software" among the TriggerSource entries.
    bool bSoftwareSource = true;
    // The line among them (the fake's line source); empty: the camera has none.
    QString qsLine = QStringLiteral("Line0");
    // AcquisitionMode SingleFrame.
    bool bSingleFrame = true;
    // LineSelector and LineDebouncerTime (microseconds, 0 to 1,000,000).
    bool bDebouncer = false;
    // TriggerActivation with RisingEdge and FallingEdge; false: no such feature.
    bool bActivation = false;
    // Float "Gain" in dB (0 to 5, half a dB a raw step) instead of the integer GainRaw.
    bool bGainDb = false;
    // "ExposureTime" (the standard name) instead of "ExposureTimeAbs".
    bool bExposureTime = false;
    // The one pixel format offered: name and value.
    QString qsPixelFormat = QStringLiteral("Mono8");
    unsigned nPixelFormat = 0x01080001;

    // Register in the fake's memory that nothing of the fake uses.
    static constexpr unsigned kDebouncerRegister = 0x400;

    // Writes xml() to the file; false when it could not.
    bool writeTo(const QString& qsFile) const
    {
        QFile file(qsFile);
        return file.open(QIODevice::WriteOnly) && file.write(xml().toUtf8()) >= 0;
    }

    QString xml() const
    {
        QStringList parts;
        parts << QStringLiteral(R"(<?xml version="1.0" encoding="utf-8"?>
<RegisterDescription ModelName="Described" VendorName="Aravis" StandardNameSpace="None"
  SchemaMajorVersion="1" SchemaMinorVersion="0" SchemaSubMinorVersion="1" MajorVersion="1"
  MinorVersion="0" SubMinorVersion="0" ProductGuid="0" VersionGuid="0"
  xmlns="http://www.genicam.org/GenApi/Version_1_0">
  <Category Name="Root" NameSpace="Standard">
    <pFeature>DeviceControl</pFeature>
    <pFeature>ImageFormatControl</pFeature>
    <pFeature>AcquisitionControl</pFeature>
  </Category>
  <Category Name="DeviceControl" NameSpace="Standard">
    <pFeature>DeviceVendorName</pFeature>
    <pFeature>DeviceModelName</pFeature>
    <pFeature>DeviceID</pFeature>
  </Category>
  <StringReg Name="DeviceVendorName" NameSpace="Standard"><Address>0x48</Address><Length>32</Length><AccessMode>RO</AccessMode><pPort>Device</pPort></StringReg>
  <StringReg Name="DeviceModelName" NameSpace="Standard"><Address>0x68</Address><Length>32</Length><AccessMode>RO</AccessMode><pPort>Device</pPort></StringReg>
  <StringReg Name="DeviceID" NameSpace="Standard"><Address>0xd8</Address><Length>16</Length><AccessMode>RO</AccessMode><pPort>Device</pPort></StringReg>
  <Category Name="ImageFormatControl" NameSpace="Standard">
    <pFeature>Width</pFeature>
    <pFeature>Height</pFeature>
    <pFeature>PixelFormat</pFeature>
  </Category>
)");
        parts << reg("SensorHeightRegister", 0x118, "RO") << reg("SensorWidthRegister", 0x11c, "RO")
              << reg("OffsetXRegister", 0x130) << reg("OffsetYRegister", 0x134) << reg("WidthRegister", 0x100)
              << reg("HeightRegister", 0x104) << reg("PixelFormatRegister", 0x128)
              << reg("AcquisitionCommandRegister", 0x124, "WO") << reg("AcquisitionModeRegister", 0x12c)
              << reg("AcquisitionFramePeriodRegister", 0x138) << reg("TriggerModeRegister", 0x300)
              << reg("TriggerSourceRegister", 0x304) << reg("ExposureRegister", 0x120)
              << reg("GainRawRegister", 0x110);
        parts << QStringLiteral(R"(
  <Integer Name="SensorHeight" NameSpace="Standard"><pValue>SensorHeightRegister</pValue></Integer>
  <Integer Name="SensorWidth" NameSpace="Standard"><pValue>SensorWidthRegister</pValue></Integer>
  <Integer Name="OffsetX" NameSpace="Standard"><pValue>OffsetXRegister</pValue><Min>0</Min><pMax>SensorWidth</pMax><Inc>1</Inc></Integer>
  <Integer Name="OffsetY" NameSpace="Standard"><pValue>OffsetYRegister</pValue><Min>0</Min><pMax>SensorHeight</pMax><Inc>1</Inc></Integer>
  <Integer Name="Width" NameSpace="Standard"><pValue>WidthRegister</pValue><Min>1</Min><pMax>SensorWidth</pMax><Inc>1</Inc></Integer>
  <Integer Name="Height" NameSpace="Standard"><pValue>HeightRegister</pValue><Min>1</Min><pMax>SensorHeight</pMax><Inc>1</Inc></Integer>
  <Enumeration Name="PixelFormat" NameSpace="Standard">
    <EnumEntry Name="%1" NameSpace="Standard"><Value>%2</Value></EnumEntry>
    <pValue>PixelFormatRegister</pValue>
  </Enumeration>
  <IntSwissKnife Name="PayloadSize" NameSpace="Standard">
    <pVariable Name="WIDTH">Width</pVariable><pVariable Name="HEIGHT">Height</pVariable>
    <pVariable Name="PIXELFORMAT">PixelFormat</pVariable>
    <Formula>WIDTH * HEIGHT * ((PIXELFORMAT&gt;&gt;16)&amp;0xFF) / 8</Formula>
  </IntSwissKnife>
  <Integer Name="TLParamsLocked"><Value>0</Value><Min>0</Min><Max>1</Max></Integer>
  <Category Name="AcquisitionControl" NameSpace="Custom">
    <pFeature>AcquisitionMode</pFeature>
    <pFeature>TriggerMode</pFeature>
    <pFeature>TriggerSource</pFeature>
  </Category>
  <Command Name="AcquisitionStart" NameSpace="Standard"><pValue>AcquisitionCommandRegister</pValue><CommandValue>1</CommandValue></Command>
  <Command Name="AcquisitionStop" NameSpace="Standard"><pValue>AcquisitionCommandRegister</pValue><CommandValue>0</CommandValue></Command>
  <Enumeration Name="AcquisitionMode" NameSpace="Standard">
    <EnumEntry Name="Continuous" NameSpace="Standard"><Value>1</Value></EnumEntry>
)")
                     .arg(qsPixelFormat)
                     .arg(nPixelFormat);
        if (bSingleFrame)
            parts << QStringLiteral(
                R"(    <EnumEntry Name="SingleFrame" NameSpace="Standard"><Value>2</Value></EnumEntry>
)");
        parts << QStringLiteral(R"(    <pValue>AcquisitionModeRegister</pValue>
  </Enumeration>
  <Float Name="AcquisitionFrameRate"><pValue>AcquisitionFrameRateConverter</pValue></Float>
  <Converter Name="AcquisitionFrameRateConverter">
    <FormulaTo>(1000000 / FROM)</FormulaTo><FormulaFrom>(1000000 / TO)</FormulaFrom>
    <pValue>AcquisitionFramePeriod</pValue>
  </Converter>
  <Integer Name="AcquisitionFramePeriod" NameSpace="Custom"><pValue>AcquisitionFramePeriodRegister</pValue><Min>1000</Min><Max>10000000</Max></Integer>
  <Enumeration Name="TriggerSelector" NameSpace="Standard">
    <EnumEntry Name="FrameStart" NameSpace="Standard"><Value>0</Value></EnumEntry>
    <pValue>TriggerSelectorInteger</pValue>
  </Enumeration>
  <Integer Name="TriggerSelectorInteger" NameSpace="Custom"><Value>0</Value></Integer>
  <Enumeration Name="TriggerMode" NameSpace="Standard">
    <EnumEntry Name="Off" NameSpace="Standard"><Value>0</Value></EnumEntry>
    <EnumEntry Name="On" NameSpace="Standard"><Value>1</Value></EnumEntry>
    <pValue>TriggerModeRegister</pValue>
  </Enumeration>
  <Enumeration Name="TriggerSource" NameSpace="Standard">
)");
        if (!qsLine.isEmpty())
            parts << QStringLiteral(
                         R"(    <EnumEntry Name="%1" NameSpace="Standard"><Value>0</Value></EnumEntry>
)")
                         .arg(qsLine);
        if (bSoftwareSource)
            parts << QStringLiteral(
                R"(    <EnumEntry Name="Software" NameSpace="Standard"><Value>1</Value></EnumEntry>
)");
        parts << QStringLiteral(R"(    <pValue>TriggerSourceRegister</pValue>
  </Enumeration>
)");
        if (bTriggerSoftware)
            parts
                << reg("TriggerSoftwareCommandRegister", 0x30c, "WO")
                << QStringLiteral(
                       R"(  <Command Name="TriggerSoftware" NameSpace="Standard"><pValue>TriggerSoftwareCommandRegister</pValue><CommandValue>1</CommandValue></Command>
)");
        if (bActivation)
            parts << reg("TriggerActivationRegister", 0x308) << QStringLiteral(R"(
  <Enumeration Name="TriggerActivation" NameSpace="Standard">
    <EnumEntry Name="RisingEdge" NameSpace="Standard"><Value>0</Value></EnumEntry>
    <EnumEntry Name="FallingEdge" NameSpace="Standard"><Value>1</Value></EnumEntry>
    <pValue>TriggerActivationRegister</pValue>
  </Enumeration>
)");
        parts << QStringLiteral(R"(
  <Float Name="%1" NameSpace="Standard">
    <pValue>ExposureConverter</pValue><Min>10.0</Min><Max>10000000.0</Max>
  </Float>
  <Converter Name="ExposureConverter" NameSpace="Custom">
    <FormulaTo>FROM</FormulaTo><FormulaFrom>TO</FormulaFrom><pValue>ExposureRegister</pValue>
  </Converter>
)")
                     .arg(bExposureTime ? QStringLiteral("ExposureTime") : QStringLiteral("ExposureTimeAbs"));
        if (bGainDb)
            parts << QStringLiteral(R"(
  <Float Name="Gain" NameSpace="Standard">
    <pValue>GainConverter</pValue><Min>0.0</Min><Max>5.0</Max><Unit>dB</Unit>
  </Float>
  <Converter Name="GainConverter" NameSpace="Custom">
    <FormulaTo>FROM * 2</FormulaTo><FormulaFrom>TO / 2</FormulaFrom><pValue>GainRawRegister</pValue>
  </Converter>
)");
        else
            parts << QStringLiteral(
                R"(  <Integer Name="GainRaw" NameSpace="Standard"><pValue>GainRawRegister</pValue><Min>0</Min><Max>10</Max></Integer>
)");
        if (bDebouncer)
            parts << reg("DebouncerRegister", kDebouncerRegister)
                  << QStringLiteral(R"(
  <Enumeration Name="LineSelector" NameSpace="Standard">
    <EnumEntry Name="%1" NameSpace="Standard"><Value>0</Value></EnumEntry>
    <pValue>LineSelectorInteger</pValue>
  </Enumeration>
  <Integer Name="LineSelectorInteger" NameSpace="Custom"><Value>0</Value></Integer>
  <Float Name="LineDebouncerTime" NameSpace="Standard">
    <pValue>DebouncerConverter</pValue><Min>0.0</Min><Max>1000000.0</Max><Unit>us</Unit>
  </Float>
  <Converter Name="DebouncerConverter" NameSpace="Custom">
    <FormulaTo>FROM</FormulaTo><FormulaFrom>TO</FormulaFrom><pValue>DebouncerRegister</pValue>
  </Converter>
)")
                         .arg(qsLine.isEmpty() ? QStringLiteral("Line0") : qsLine);
        parts << QStringLiteral(R"(  <Port Name="Device" NameSpace="Standard"/>
</RegisterDescription>
)");
        return parts.join(QString());
    }

private:
    // A 32-bit big-endian register of the fake.
    static QString reg(const char* pName, unsigned nAddress, const char* pAccess = "RW")
    {
        return QStringLiteral(
                   "  <IntReg Name=\"%1\" NameSpace=\"Custom\"><Address>0x%2</Address><Length>4</Length>"
                   "<AccessMode>%3</AccessMode><pPort>Device</pPort><Sign>Unsigned</Sign>"
                   "<Endianess>BigEndian</Endianess></IntReg>\n")
            .arg(QLatin1String(pName))
            .arg(nAddress, 0, 16)
            .arg(QLatin1String(pAccess));
    }
};
