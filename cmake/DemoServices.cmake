# The demo's stand-ins for the outside services (whois, Baidu, Alexa, toolbar, checksum, relays, the
# database-address service, the search engine and the location service), so the live checks and the
# side windows can be tried offline on loopback. The answers are
# made and served by a small library of their own, which the tests of tests/app link as well.
pkg_check_modules(CPPHTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)

add_library(dropscout_demo_pages STATIC src/app/demo_pages.cpp src/app/demo_lookup_pages.cpp src/app/demo_services.cpp)
# Qt Gui draws the flag pictures of the location pages.
target_link_libraries(dropscout_demo_pages PUBLIC dropscout_core Qt6::Gui PkgConfig::CPPHTTPLIB Threads::Threads)

add_executable(dropscout_demo_services src/app/demo_services_main.cpp)
target_link_libraries(dropscout_demo_services PRIVATE dropscout_demo_pages)

if(TARGET test_app)
  target_link_libraries(test_app PRIVATE dropscout_demo_pages)
endif()
