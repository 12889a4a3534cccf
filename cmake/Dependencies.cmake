# Every library comes from a Debian package (scripts/install-deps).
find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)
find_package(CURL REQUIRED)
find_package(SQLite3 REQUIRED)
find_package(OpenSSL REQUIRED)
find_package(ZLIB REQUIRED)
find_package(Iconv REQUIRED)
# libzip's CMake package wants its command-line tools installed; pkg-config does not.
pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET libzip)
find_package(pugixml REQUIRED)
pkg_check_modules(XLSXWRITER REQUIRED IMPORTED_TARGET xlsxwriter)
pkg_check_modules(PCRE2 REQUIRED IMPORTED_TARGET libpcre2-8)
# libphonenumber ships neither a pkg-config file nor a CMake package on Debian.
find_path(PHONENUMBER_INCLUDE_DIR phonenumbers/phonenumberutil.h REQUIRED)
find_library(PHONENUMBER_LIBRARY phonenumber REQUIRED)
add_library(PhoneNumber::PhoneNumber UNKNOWN IMPORTED)
set_target_properties(PhoneNumber::PhoneNumber PROPERTIES
  IMPORTED_LOCATION ${PHONENUMBER_LIBRARY}
  INTERFACE_INCLUDE_DIRECTORIES ${PHONENUMBER_INCLUDE_DIR})
# The offline geocoder (libgeocoding, same package) names the place of a number; it needs ICU.
find_library(GEOCODING_LIBRARY geocoding REQUIRED)
find_package(ICU REQUIRED COMPONENTS uc)
add_library(PhoneNumber::Geocoding UNKNOWN IMPORTED)
set_target_properties(PhoneNumber::Geocoding PROPERTIES
  IMPORTED_LOCATION ${GEOCODING_LIBRARY}
  INTERFACE_LINK_LIBRARIES "PhoneNumber::PhoneNumber;ICU::uc")

if(VLMR_TESTS)
  find_package(GTest REQUIRED)
  find_path(HTTPLIB_INCLUDE_DIR httplib.h REQUIRED)
endif()
if(VLMR_BENCH)
  find_package(benchmark REQUIRED)
endif()
if(VLMR_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Widgets Network Test DBus)
  set(CMAKE_AUTOMOC ON)
  set(CMAKE_AUTORCC ON)
endif()
