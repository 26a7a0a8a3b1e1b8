# Update engine: protocol session, version checks, image transfer and the worker thread.
add_library(zep_engine STATIC
    zepProtocolMsg.cpp
    zepProtocol.cpp
    zepVersionCheck.cpp
    zepVersionRules_${ZEP_VARIANT}.cpp
    ModelDependCheckVer.cpp
    zepTransfer.cpp
    zepAnswerLedger.cpp
    zepSession.cpp
    # worker thread and its platform layer
    zepThread.cpp
    zepThreadC.cpp
    zepThreadLayer.cpp
    zepThreadLayer_${ZEP_PLAT}.cpp
)
target_link_libraries(zep_engine PUBLIC zep_files devconn)
