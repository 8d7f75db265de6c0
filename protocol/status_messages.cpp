#include "protocol/status_messages.h"

#include <array>

namespace solwire {

namespace {

struct StatusRow {
  LinkStatus status;
  std::array<std::string_view, 3> text;  // English, French, Chinese
};

constexpr std::array<StatusRow, 37> kStatusTable{{
    {LinkStatus::RequestSent, {"Request Sent", "Request Sent", "发送请求"}},
    {LinkStatus::CantOpenPort, {"Cant Open Port", "Port Ferme", "不能打开串行口"}},
    {LinkStatus::PortOpen, {"Port Open", "Port Ouvert", "串行口打开"}},
    {LinkStatus::PortSetOK, {"Port Set OK", "Port OK", "串行口设立正常"}},
    {LinkStatus::PortSetException,
     {"Cant open port-Port Set Exception", "Cant open port-Port Set Exception", "不能打开串行口"}},
    {LinkStatus::ModemSetup, {"Modem Setup", "Modem Setup", "Modem 设置"}},
    {LinkStatus::ModemCantOpenPort, {"Cant open port", "Cant open port", "不能打开串行口"}},
    {LinkStatus::CommFail, {"Comm Fail", "Comm Fail", "通信故障"}},
    {LinkStatus::Dialing, {"Dialing", "Dialing", "进行拨号"}},
    {LinkStatus::CantOpenCommPort, {"Cant open COMM port", "Cant open COMM port", "不能打开串行口"}},
    {LinkStatus::DataReceived, {"Data Received", "Data Received", "收到数据"}},
    {LinkStatus::ReadError, {"Read Error", "Read Error", "阅读错误"}},
    {LinkStatus::Closed, {"Closed", "Ferme", "关闭"}},
    {LinkStatus::HangUp, {"Hang Up", "Terminie", "切断电话"}},
    {LinkStatus::Break, {"Break", "Break", "切断指令"}},
    {LinkStatus::TapiClosed, {"TAPI Closed", "TAPI Ferme", "TAPI 关闭"}},
    {LinkStatus::WaitForClose, {"Wait for Close", "Attandre pour Ferme", "等待断开"}},
    {LinkStatus::PortNotOpen, {"Port Not Open", "Port non ouvert", "串行口无法打开"}},
    {LinkStatus::Connected, {"Connected", "Connected", "接通"}},
    {LinkStatus::TapiFail, {"TAPI Fail", "TAPI Fail", "TAPI 故障"}},
    {LinkStatus::TapiOpen, {"TAPI Open", "TAPI Ouvert", "TAPI 打开"}},
    {LinkStatus::Carrier, {"Carrier", "Carrier", "载体"}},
    {LinkStatus::DataTimeout, {"Data Timeout", "Data Timeout", "数据超时"}},
    // French shows nothing while a write goes out or when there is no modem connection.
    {LinkStatus::SendingData, {"Sending Data", "", "发送数据"}},
    {LinkStatus::WritePortNotOpen, {"Port Not Open", "Port Ferme", "串行口没打开"}},
    {LinkStatus::NoConnection, {"No connection", "", "缺乏连接"}},
    {LinkStatus::ModemBusy, {"Busy", "Occupe", "占线"}},
    {LinkStatus::ModemNoCarrier, {"No Carrier", "Pas de porteuse", "无载波"}},
    {LinkStatus::ModemNoAnswer, {"No Answer", "Pas de reponse", "无应答"}},
    {LinkStatus::ModemNoDialtone, {"No Dial Tone", "Pas de tonalite", "无拨号音"}},
    {LinkStatus::ModemError, {"Modem Error", "Erreur du modem", "调制解调器错误"}},
    {LinkStatus::NoNumberToDial, {"No number to dial", "Pas de numero a composer", "没有拨号号码"}},
    {LinkStatus::LogCallMissed, {"Log call not made: line in use", "Appel du journal non fait: ligne occupee",
                                 "记录拨号未进行：线路占用"}},
    {LinkStatus::AlarmCallMissed, {"Alarm call not made: line in use", "Appel d'alarme non fait: ligne occupee",
                                   "报警拨号未进行：线路占用"}},
    {LinkStatus::LineStillConnected, {"Line still connected: hanging up first",
                                      "Ligne encore connectee: raccrocher d'abord", "线路仍在连接：先挂断"}},
    {LinkStatus::SetupNotSent, {"Line still connected: setup not sent", "Ligne encore connectee: reglage non envoye",
                                "线路仍在连接：未发送设置"}},
    {LinkStatus::LineWouldNotHangUp, {"Line would not hang up: port closed, not dialled",
                                      "La ligne ne raccroche pas: port ferme, pas d'appel",
                                      "线路无法挂断：串行口已关闭，未拨号"}},
}};

}  // namespace

Language languageFromIndex(int index) {
  return (index >= 0 && index <= 2) ? static_cast<Language>(index) : Language::English;
}

std::string_view statusText(LinkStatus status, Language language) {
  for (const auto& row : kStatusTable)
    if (row.status == status) return row.text[static_cast<std::size_t>(language)];
  return {};
}

}  // namespace solwire
