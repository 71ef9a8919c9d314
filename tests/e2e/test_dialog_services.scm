; The dialog service plug-in in a GIMP without a display: its procedures are
; registered as documented, and every dialog answers as cancelled instead of
; aborting the plug-in. (Answers given on a display, and the menu labels,
; are tested live.)

(define qv-message-arg (list PDB-STRING "message" "Message text to display."))

; (name blurb args values), args and values as (type name description); the
; help repeats the blurb.
(define qv-dialog-procedures
  (list
   (list "plug-in-qv-prompt" "Prompts to enter text!"
         (list qv-message-arg (list PDB-STRING "entry" "Entry textline or \"\"."))
         (list (list PDB-STRING "entry" "text entered.")))
   (list "plug-in-qv-confirm" "Confirm message!"
         (list qv-message-arg)
         (list (list PDB-INT32 "confirmation" "CANCEL = FALSE, OK = 1")))
   (list "plug-in-qv-alert" "Alert message!" (list qv-message-arg) '())))

(qv-test "the three dialog procedures are registered as documented"
         (lambda ()
           (for-each
            (lambda (proc)
              (qv-check-registration (list-ref proc 0) (list-ref proc 1) (list-ref proc 1)
                                     (list-ref proc 2) (list-ref proc 3)))
            qv-dialog-procedures)))

(qv-test "without a display every dialog answers as cancelled"
         (lambda ()
           ; A cancelled prompt sends no value, which Script-Fu shows as #f:
           ; unlike an empty text entered.
           (qv-check-equal "prompt" '(#f) (plug-in-qv-prompt "Name?" "frame_001.png"))
           (qv-check-equal "prompt with an empty entry" '(#f) (plug-in-qv-prompt "Name?" ""))
           (qv-check-equal "confirm" '(0) (plug-in-qv-confirm "Overwrite?"))
           (qv-check-equal "alert succeeds" '(#t) (plug-in-qv-alert "No Path available!"))))
