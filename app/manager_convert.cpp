// The main window's insert of a MIDI or audio file: converted for the selected slot's kind by the converter,
// then inserted like a SMAF file.
#include "app/app_texts.h"
#include "app/manager_dlg.h"
#include "convert/audio_reader.h"
#include "convert/convert.h"
#include "transfer/user_area.h"

namespace cantavo {

wxString InsertFilter() {
    const wxString patterns = wxString::FromUTF8(AudioFilePatterns());
    return wxString::Format(app_texts::kInsertFilter, patterns, patterns);
}

void CManagerDlg::InsertChosenFile(const std::string& path) {
    const std::optional<InputKind> kind = ConvertibleKind(path);
    if (!kind) {
        m_session->InsertFile();
        return;
    }
    ConvertOptions options;
    options.slot = m_session->SlotIndex() < kFmMelodySlotCount ? SlotKind::kFm : SlotKind::kAdpcm;
    const SlotKind takes = *kind == InputKind::kMidi ? SlotKind::kFm : SlotKind::kAdpcm;
    const Conversion conversion = ConvertFile(path, options);
    if (!conversion.error.empty()) {
        // The wrong kind of slot is the user's choice to mend: a box says which kind the file goes to.
        if (takes != options.slot)
            m_prompts.Message(wxString::FromUTF8(conversion.error), app_texts::kErrorCaption, true);
        else
            LogMessage(wxString::FromUTF8(conversion.error));
        return;
    }
    LogMessage(wxString::FromUTF8(ReportSummary(conversion.report)));
    m_session->InsertMelody(conversion.smaf);
}

}  // namespace cantavo
