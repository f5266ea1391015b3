#include "tools/render/geotiff.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <mutex>

#include "tools/render/picture.h"

namespace render {
namespace {

constexpr int kTile = 256;
constexpr int64_t kCacheBytes = 64 << 20;

std::string LastGdalError(const char* what) {
    const char* message = CPLGetLastErrorMsg();
    return std::string(what) + (message && *message ? std::string(": ") + message : std::string());
}

}  // namespace

GeoTiffWriter::~GeoTiffWriter() {
    if (dataset_) GDALClose(static_cast<GDALDatasetH>(dataset_));
}

int64_t GeoTiffWriter::MemoryFor(int width) {
    // One row of tiles lives in the cache while it fills, plus its compressed copy.
    return std::max<int64_t>(kCacheBytes, int64_t{width} * kTile * 2 * 2);
}

bool GeoTiffWriter::Create(const std::string& path, const GeoFrame& frame, std::string& error) {
    static std::once_flag registered;
    std::call_once(registered, [] {
        CPLSetErrorHandler(CPLQuietErrorHandler);  // errors are reported through error, once
        GDALAllRegister();
    });
    GDALSetCacheMax64(MemoryFor(frame.width));
    GDALDriverH driver = GDALGetDriverByName("GTiff");
    if (!driver) {
        error = "GDAL has no GeoTIFF driver";
        return false;
    }
    char** options = nullptr;
    options = CSLSetNameValue(options, "TILED", "YES");
    options = CSLSetNameValue(options, "BLOCKXSIZE", "256");
    options = CSLSetNameValue(options, "BLOCKYSIZE", "256");
    options = CSLSetNameValue(options, "COMPRESS", "DEFLATE");
    options = CSLSetNameValue(options, "PREDICTOR", "2");
    options = CSLSetNameValue(options, "BIGTIFF", "IF_SAFER");
    CPLErrorReset();
    GDALDatasetH ds = GDALCreate(driver, path.c_str(), frame.width, frame.height, 1, GDT_Int16, options);
    CSLDestroy(options);
    if (!ds) {
        error = LastGdalError("GDAL could not create the GeoTIFF");
        return false;
    }
    dataset_ = ds;
    width_ = frame.width;
    double transform[6] = {frame.west, frame.pixelLon, 0, frame.north, 0, -frame.pixelLat};
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    char* wkt = nullptr;
    const bool georeferenced = OSRImportFromEPSG(srs, frame.epsg) == OGRERR_NONE &&
                               OSRExportToWkt(srs, &wkt) == OGRERR_NONE &&
                               GDALSetGeoTransform(ds, transform) == CE_None && GDALSetProjection(ds, wkt) == CE_None;
    CPLFree(wkt);
    OSRDestroySpatialReference(srs);
    if (!georeferenced) {
        error = LastGdalError("GDAL could not georeference the GeoTIFF");
        return false;
    }
    GDALRasterBandH band = GDALGetRasterBand(ds, 1);
    if (GDALSetRasterNoDataValue(band, kGeoTiffNoData) != CE_None) {
        error = LastGdalError("GDAL could not set the no-data value");
        return false;
    }
    if (!frame.title.empty()) GDALSetMetadataItem(ds, "TIFFTAG_DOCUMENTNAME", frame.title.c_str(), nullptr);
    GDALSetMetadataItem(ds, "TIFFTAG_SOFTWARE", "tephrix-render", nullptr);
    GDALSetMetadataItem(ds, "AREA_OR_POINT", "Area", nullptr);
    return true;
}

bool GeoTiffWriter::PutRows(int16_t* rows, int count, std::string& error) {
    const size_t n = static_cast<size_t>(width_) * static_cast<size_t>(count);
    std::replace(rows, rows + n, kNoValue, kGeoTiffNoData);
    CPLErrorReset();
    GDALRasterBandH band = GDALGetRasterBand(static_cast<GDALDatasetH>(dataset_), 1);
    if (GDALRasterIO(band, GF_Write, 0, next_, width_, count, rows, width_, count, GDT_Int16, 0, 0) != CE_None) {
        error = LastGdalError("GDAL could not write the GeoTIFF");
        return false;
    }
    next_ += count;
    return true;
}

bool GeoTiffWriter::Close(std::string& error) {
    auto* ds = static_cast<GDALDatasetH>(dataset_);
    dataset_ = nullptr;
    CPLErrorReset();
    GDALFlushCache(ds);
    const bool failed = CPLGetLastErrorType() >= CE_Failure;
    GDALClose(ds);
    if (failed || CPLGetLastErrorType() >= CE_Failure) {
        error = LastGdalError("GDAL could not finish the GeoTIFF");
        return false;
    }
    return true;
}

}  // namespace render
