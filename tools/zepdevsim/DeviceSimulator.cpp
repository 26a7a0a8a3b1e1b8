// Accept loop and lifetime of the device simulator.
#include "DeviceSimulator.h"

#include "SimConnection.h"

namespace {
constexpr unsigned kAcceptPollMs = 20; // how often an idle server looks at the stop request
}

DeviceSimulator::DeviceSimulator(SimOptions options)
    : m_options(std::move(options)), m_store(m_options.outputDir) {}

DeviceSimulator::~DeviceSimulator() {
    Stop();
}

bool DeviceSimulator::Start(std::string* error) {
    if (m_thread.joinable()) {
        if (error != nullptr)
            *error = "the simulator is already running";
        return false;
    }
    if (!ValidateSimOptions(m_options, error) || !m_store.Prepare(error) ||
        !m_log.Open(m_options.logPath, error) ||
        !m_listener.Listen(m_options.host, m_options.port, error))
        return false;
    m_port = m_listener.LocalPort();
    m_stop.Reset();
    m_finished.Reset();
    m_log.Write(JsonLine().Add("event", "listen").Add("host", m_options.host).Add("port", Port()));
    m_thread = std::thread(&DeviceSimulator::ServeLoop, this);
    return true;
}

void DeviceSimulator::Stop() {
    m_stop.Set();
    {
        std::lock_guard<std::mutex> guard(m_activeMutex);
        if (m_active != nullptr)
            m_active->Shutdown(); // wakes a send blocked on a host that stopped reading
    }
    if (m_thread.joinable())
        m_thread.join();
    m_listener.Close();
    m_log.Close();
}

bool DeviceSimulator::WaitFinished(unsigned ms) {
    return m_finished.WaitFor(ms);
}

void DeviceSimulator::ServeLoop() {
    unsigned nextId = 1;
    while (!m_stop.IsSet()) {
        if (m_options.maxConnections != 0 && m_served.load() >= m_options.maxConnections)
            break;
        const int ready = m_listener.WaitReadable(kAcceptPollMs);
        if (ready < 0) {
            m_log.Write(JsonLine().Add("event", "error").Add("msg", "listening socket failed"));
            break;
        }
        if (ready == 0)
            continue;
        std::string peer;
        SimSocket connection = m_listener.Accept(&peer);
        if (connection.IsOpen())
            ServeOne(std::move(connection), peer, nextId++);
    }
    m_log.Write(JsonLine().Add("event", "stop").Add("connections", m_served.load()));
    m_finished.Set();
}

void DeviceSimulator::ServeOne(SimSocket connection, const std::string& peer, unsigned id) {
    {
        std::lock_guard<std::mutex> guard(m_activeMutex);
        m_active = &connection;
    }
    SimConnection(id, connection, m_options, m_store, m_log, m_stop).Serve(peer);
    {
        std::lock_guard<std::mutex> guard(m_activeMutex);
        m_active = nullptr;
    }
    connection.Close();
    ++m_served;
}
