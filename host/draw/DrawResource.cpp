#include "host/draw/DrawResource.h"

IQRKDrawResource::~IQRKDrawResource() { IQRKDrawResource::DisconnectAll(); }

void IQRKDrawResource::DisconnectAll() {
    while (m_head != nullptr) {
        CQRKDRConnector* connector = m_head;
        connector->Unlink();
        OnDisconnect(*connector);
    }
}

IQRKDrawResource* CQRKDRConnector::Unlink() noexcept {
    IQRKDrawResource* resource = m_resource;
    if (resource == nullptr) return nullptr;
    if (m_previous != nullptr) {
        m_previous->m_next = m_next;
    } else {
        resource->m_head = m_next;
    }
    if (m_next != nullptr) m_next->m_previous = m_previous;
    m_resource = nullptr;
    m_previous = nullptr;
    m_next = nullptr;
    return resource;
}

void CQRKDRConnector::Disconnect() {
    if (IQRKDrawResource* resource = Unlink()) resource->OnDisconnect(*this);
}

bool CQRKDRConnector::Connect(IQRKDrawResource* resource) {
    Disconnect();
    if (resource == nullptr || !resource->OnConnect(*this)) return false;
    m_previous = nullptr;
    m_next = resource->m_head;
    if (m_next != nullptr) m_next->m_previous = this;
    resource->m_head = this;
    m_resource = resource;
    return true;
}
