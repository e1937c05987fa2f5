#include "app/frm_main.h"

#include <QUdpSocket>

// UDP reception: the socket set up for one partner program and the intake of its datagrams.

void frmMain::OpenUdpPort(qint16 n)
{
    m_sourceProgram = n;
}

void frmMain::CloseUdpPort()
{
    Winsock1->abort();
    Winsock1->close();
}

void frmMain::Winsock1_DataArrival()
{
}

void frmMain::Timer2_Timer()
{
}
