// The two-column table of window texts.
#include "app/language_table.h"

#include <atomic>

namespace quorvel::app {

namespace {

std::atomic<int> g_language{0};

constexpr const char16_t* kTable[static_cast<int>(Txt::Count)][kLanguageCount] = {
    {u"Quorvel", u"Quorvel"},
    {u"Connection", u"Conexion"},
    {u"Connect", u"Conectar"},
    {u"Disconnect", u"Desconectar"},
    {u"Actions", u"Acciones"},
    {u"Modules Present", u"Modulos Presente"},
    {u"Monitor", u"Monitor"},
    {u"Model", u"Modelo"},
    {u"Configure", u"Configurar"},
    {u"Calibrate", u"Calibrar"},
    {u"Com Port", u"Puerto Com"},
    {u"Environmental", u"Ambiente"},
    {u"About Quorvel", u"Acerca del Quorvel"},
    {u"Quorvel Version", u"Version del Quorvel"},
    {u"Copyright (C) TEVRA. All rights reserved.",
     u"Copyright (C) TEVRA. Todos los derechos reservados."},
    {u"PDU Calibration", u"Calibracion del PDU"},
    {u"Reference Current", u"Corriente de Referencia"},
    {u"Low Load:", u"Carga Baja:"},
    {u"High Load:", u"Carga Alta:"},
    {u"Threshold:", u"Umbral:"},
    {u"Reference Voltage", u"Voltaje de Referencia"},
    {u"Low Voltage:", u"Voltaje Bajo:"},
    {u"High Voltage:", u"Voltaje Alto:"},
    {u"Raw Measurements", u"Medidas Crudas"},
    {u"Sample Low Value:", u"Muestra Valor Bajo:"},
    {u"Sample High Value:", u"Muestra Valor Alto:"},
    {u"Slope", u"Pendiente"},
    {u"Offset", u"Desplazamiento"},
    {u"Threshold", u"Umbral"},
    {u"Save", u"Guardar"},
    {u"Cancel", u"Cancelar"},
    {u"Reboot PDU", u"Reiniciar PDU"},
};

}  // namespace

void SetLanguageIndex(int index) {
    g_language = index;
}

int LanguageIndex() {
    return g_language;
}

std::u16string LangText(Txt row, int language) {
    const int r = static_cast<int>(row);
    if (r < 0 || r >= static_cast<int>(Txt::Count)) {
        return {};
    }
    if (language < 0 || language >= kLanguageCount) {
        language = 0;
    }
    return kTable[r][language];
}

std::u16string LangText(Txt row) {
    return LangText(row, g_language);
}

}  // namespace quorvel::app
