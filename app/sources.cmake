list(APPEND VESK_CORE_SOURCES
  app/console_output.cpp
  app/console_probe.cpp
  app/messages.cpp
  app/run_main.cpp)
