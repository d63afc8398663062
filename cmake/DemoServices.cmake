# The demo's stand-ins for the outside services (whois, Baidu, Alexa, toolbar, checksum, relays, the
# database-address service, the search engine, the location service, and a registry's RDAP and port-43
# whois servers), so the live checks and the side windows can be tried offline on loopback. The answers
# are made and served by a small library of their own, which the tests of tests/app link as well, and
# those of tests/checks for its port-43 server.
pkg_check_modules(CPPHTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)

add_library(dropscout_demo_pages STATIC src/app/demo_pages.cpp src/app/demo_lookup_pages.cpp
            src/app/demo_registry_pages.cpp src/app/demo_port43.cpp src/app/demo_services.cpp)
# Qt Gui draws the flag pictures of the location pages.
target_link_libraries(dropscout_demo_pages PUBLIC dropscout_core Qt6::Gui PkgConfig::CPPHTTPLIB Threads::Threads)

add_executable(dropscout_demo_services src/app/demo_services_main.cpp)
target_link_libraries(dropscout_demo_services PRIVATE dropscout_demo_pages)

foreach(tests test_app test_checks test_cli)
  if(TARGET ${tests})
    target_link_libraries(${tests} PRIVATE dropscout_demo_pages)
  endif()
endforeach()
