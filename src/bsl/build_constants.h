// What this build of the updater is for: the product, the sensor type and the version of the
// firmware image compiled into it. The image itself comes from firmware/ and is embedded by a
// generator at build time; the generator refuses to build when the image's file name names a
// different version than kBuildImageVersion.
#pragma once

#include <cstdint>

namespace vesk {

// The product as the user sees it (the SDI-12 sensor-type name of kBuildSensorType).
inline constexpr const char kBuildProductName[] = "OMB-3 Rain Gauge";
// The main window's caption: the product name followed by " Firmware Updater".
inline constexpr const char kBuildWindowCaption[] = "OMB-3 Rain Gauge Firmware Updater";
// SDI-12 sensor type of the embedded image ('^', the OMB-3 rain gauge).
inline constexpr int32_t kBuildSensorType = 94;
// Version number of the embedded image: 3.26 as major*100 + minor*10 + patch.
inline constexpr int32_t kBuildImageVersion = 326;
// Device-type table row the embedded image is for: the digital-sensor row.
inline constexpr uint8_t kBuildImageDeviceType = 10;
// True for a build that updates digital sensors behind a reader; false for an instrument build.
inline constexpr bool kBuildDigitalSensorMode = true;

}  // namespace vesk
